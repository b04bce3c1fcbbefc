// The window-bound parameters on real controls of the window-system stand-in: combo boxes
// filled and selected from the parameters' lists, check boxes toggled by a click, and
// controls enabled and disabled through their parameters.
#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "config/option_parameters.h"
#include "config/parameters.h"
#include "config/parameters_store.h"
#include "foundation/log_file.h"
#include "foundation/utf.h"
#include "platform/winui/headless/headless_backend.h"
#include "platform/winui/message_loop.h"
#include "platform/winui/messages.h"
#include "platform/winui/styles.h"
#include "platform/winui/window.h"
#include "platform/winui/window_class.h"
#include "platform/winui/window_state.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace skyloom {
namespace {

using namespace skyloom::winui;
using ::testing::ElementsAre;

winui::LRESULT lf_parentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class OptionControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        backend_ = headless::installHeadlessBackend();
        LogFile::openIn(dir_.path());
        static std::atomic<int> counter{0};
        const std::string name = "OptionControlsTest" + std::to_string(counter++);
        className_.assign(name.begin(), name.end());
        WNDCLASSEXW windowClass;
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &lf_parentProc;
        windowClass.lpszClassName = className_.c_str();
        ASSERT_NE(RegisterClassExW(&windowClass), 0);
        parent_ = CreateWindowExW(0, className_.c_str(), u"options", WS_POPUP | WS_VISIBLE, 0, 0,
                                  900, 768, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(parent_, nullptr);
        const std::vector<Parameter*> kept = parameters_.persisted();
        store_.load(dir_ / "parameters.xml", kept);
        parameters_.publishAll();
    }
    void TearDown() override {
        DestroyWindow(parent_);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
        UnregisterClassW(className_.c_str(), nullptr);
        setBackend(nullptr);
        LogFile::close();
    }

    HWND createCombo(OptionControl& control) {
        const ControlLayout& layout = control.layout();
        HWND combo = CreateWindowExW(
            0, u"ComboBox", u"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST,
            layout.controlX, layout.controlY(), layout.width, layout.height, parent_,
            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(control.controlId())), nullptr, nullptr);
        control.setWindow(combo);
        return combo;
    }
    HWND createCheckbox(CheckboxParameter& parameter) {
        const ControlLayout& layout = parameter.layout();
        HWND box =
            CreateWindowExW(0, u"button", u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_CHECKBOX,
                            layout.controlX, layout.controlY(), 14, 14, parent_,
                            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(parameter.controlId())),
                            nullptr, nullptr);
        parameter.setWindow(box);
        return box;
    }
    static std::vector<std::string> items(HWND combo) {
        std::vector<std::string> texts;
        const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
            std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
            SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(text.data()));
            text.resize(static_cast<std::size_t>(length));
            texts.push_back(wide_to_utf8(text));
        }
        return texts;
    }
    static LRESULT selection(HWND combo) { return SendMessageW(combo, CB_GETCURSEL, 0, 0); }
    std::optional<std::string> stored(std::string_view name) {
        pugi::xml_document document;
        if (!document.load_file((dir_ / "parameters.xml").c_str())) {
            return std::nullopt;
        }
        return gf_findXmlParameterValue(document, name);
    }

    skyloom::testing::TempDir dir_;
    std::shared_ptr<headless::HeadlessBackend> backend_;
    std::u16string className_;
    HWND parent_ = nullptr;
    ParametersStore store_;
    ParamsSnapshotCell cell_;
    ProgramParameters parameters_{&store_, &cell_};
};

TEST_F(OptionControlsTest, AnIntegerListFillsItsComboAndSelectsTheCurrentValue) {
    IntListParameter& range = parameters_.RANGE;
    HWND combo = createCombo(range);
    range.assign(60);
    ASSERT_TRUE(range.fillComboBox());
    EXPECT_THAT(items(combo), ElementsAre("5", "10", "15", "20", "25", "30", "35", "40", "50", "60",
                                          "70", "80", "90", "100"));
    EXPECT_EQ(selection(combo), 9);

    // Filling again replaces the items instead of adding to them.
    ASSERT_TRUE(range.fillComboBox());
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 14);

    // A value that is not in the list leaves the selection as it was.
    range.assign(42);
    EXPECT_FALSE(range.selectCurrent());
    EXPECT_EQ(selection(combo), 9);
    range.assign(5);
    EXPECT_TRUE(range.selectCurrent());
    EXPECT_EQ(selection(combo), 0);
}

TEST_F(OptionControlsTest, EveryComboOfTheWindowSelectsItsDefault) {
    int combos = 0;
    for (OptionControl* control : parameters_.controls()) {
        if (auto* list = dynamic_cast<IntListParameter*>(control)) {
            HWND combo = createCombo(*list);
            ASSERT_TRUE(list->fillComboBox()) << list->name();
            EXPECT_EQ(selection(combo), static_cast<LRESULT>(*list->indexOf(list->defaultValue())))
                << list->name();
            ++combos;
        } else if (auto* choice = dynamic_cast<ChoiceParameter*>(control)) {
            HWND combo = createCombo(*choice);
            ASSERT_TRUE(choice->fillComboBox()) << choice->name();
            EXPECT_EQ(items(combo), choice->choices()) << choice->name();
            EXPECT_EQ(selection(combo), static_cast<LRESULT>(*choice->indexOfCurrent()))
                << choice->name();
            ++combos;
        } else if (auto* hours = dynamic_cast<FloatListParameter*>(control)) {
            HWND combo = createCombo(*hours);
            ASSERT_TRUE(hours->fillComboBox());
            const std::vector<std::string> texts = items(combo);
            ASSERT_EQ(texts.size(), 48u);
            EXPECT_EQ(texts.front(), "0.5");
            EXPECT_EQ(texts.back(), "24.0");
            EXPECT_EQ(texts[static_cast<std::size_t>(selection(combo))], "4.0");
            ++combos;
        }
    }
    EXPECT_EQ(combos, 20) << "the two run-time lists are filled by their users";
}

TEST_F(OptionControlsTest, TheAiPackageComboOffersSixtyFourOrders) {
    ChoiceParameter& packages = parameters_.AI_PACKAGE_SELECTOR;
    HWND combo = createCombo(packages);
    packages.assign("FSLTL, AIG");
    ASSERT_TRUE(packages.fillComboBox());
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 64);
    EXPECT_EQ(selection(combo), 49);
}

TEST_F(OptionControlsTest, ARunTimeListShowsTextsOfAnyAlphabet) {
    DynamicChoiceParameter& stands = parameters_.STAND_SELECTOR;
    HWND combo = createCombo(stands);
    stands.setItems({"select a stand", "A1", "\xC3\x84gypten 3", "Z99"});
    stands.setCurrent("\xC3\x84gypten 3");
    ASSERT_TRUE(stands.fillComboBox());
    EXPECT_THAT(items(combo), ElementsAre("select a stand", "A1", "\xC3\x84gypten 3", "Z99"));
    EXPECT_EQ(selection(combo), 2);

    // After an unblock the list holds one empty text, and that is the current value.
    stands.clearItems();
    stands.addItem("");
    stands.setCurrent("");
    ASSERT_TRUE(stands.fillComboBox());
    EXPECT_THAT(items(combo), ElementsAre(""));
    EXPECT_EQ(selection(combo), 0);
}

TEST_F(OptionControlsTest, AClickTogglesTheBoxSavesAndRepublishes) {
    CheckboxParameter& helicopters = parameters_.HELICOPTERS;
    HWND box = createCheckbox(helicopters);
    ASSERT_TRUE(helicopters.showValue());
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);

    EXPECT_FALSE(helicopters.onClicked(parent_, parameters_.TWO_PROPS.controlId()));
    EXPECT_TRUE(helicopters.value()) << "another id changes nothing";

    ASSERT_TRUE(helicopters.onClicked(parent_, helicopters.controlId()));
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_FALSE(helicopters.value());
    EXPECT_EQ(stored("HELICOPTERS"), "false");
    EXPECT_FALSE(cell_.load()->HELICOPTERS);
    EXPECT_TRUE(cell_.load()->TWO_PROPS);

    ASSERT_TRUE(helicopters.onClicked(parent_, helicopters.controlId()));
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(stored("HELICOPTERS"), "true");
    EXPECT_TRUE(cell_.load()->HELICOPTERS);
}

TEST_F(OptionControlsTest, TheBoxStateCountsWhenAnOverrideChangedOnlyTheValue) {
    CheckboxParameter& week = parameters_.WEEK;
    HWND box = createCheckbox(week);
    week.showValue();  // unchecked
    week.assign(true); // in memory only, the box still shows unchecked
    ASSERT_TRUE(week.onClicked(parent_, week.controlId()));
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_TRUE(week.value()) << "what the user saw toggled";
}

TEST_F(OptionControlsTest, ABoxIsFoundByItsIdWhenItsHandleWasNotKept) {
    CheckboxParameter& random = parameters_.RANDOM;
    HWND box = createCheckbox(random);
    random.showValue(); // checked
    random.setWindow(nullptr);
    ASSERT_TRUE(random.onClicked(parent_, random.controlId()));
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_FALSE(random.value());

    // No box at all: the value itself is toggled.
    CheckboxParameter& aerowinx = parameters_.AEROWINX;
    ASSERT_TRUE(aerowinx.onClicked(parent_, aerowinx.controlId()));
    EXPECT_TRUE(aerowinx.value());
    EXPECT_EQ(stored("AEROWINX"), "true");
}

TEST_F(OptionControlsTest, SetCheckedShowsTheValueWithoutSavingIt) {
    CheckboxParameter& autoPark = parameters_.AUTO_PARK;
    HWND box = createCheckbox(autoPark);
    autoPark.setChecked(false);
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_FALSE(autoPark.value());
    EXPECT_EQ(stored("AUTO_PARK"), "true") << "an airport's override is not saved";
    EXPECT_TRUE(cell_.load()->AUTO_PARK) << "nor published until the caller does";
}

TEST_F(OptionControlsTest, ControlsAreEnabledAndDisabledThroughTheirParameters) {
    HWND combo = createCombo(parameters_.MAX_FIT_FL);
    EXPECT_TRUE(parameters_.MAX_FIT_FL.enable(false));
    EXPECT_FALSE(IsWindowEnabled(combo));
    EXPECT_FALSE(parameters_.MAX_FIT_FL.isEnabled());
    EXPECT_TRUE(parameters_.MAX_FIT_FL.enable(true));
    EXPECT_TRUE(parameters_.MAX_FIT_FL.isEnabled());
    // A control that was never created cannot be enabled.
    EXPECT_FALSE(parameters_.flushButton.enable(true));
    EXPECT_FALSE(parameters_.flushButton.isEnabled());
}

} // namespace
} // namespace skyloom
