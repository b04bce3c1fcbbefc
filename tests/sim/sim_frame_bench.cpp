// One frame of the SimClient with 500 AI objects: the batch taken, 500 histories extended and
// interpolated, 500 positions written to the simulated world, and a command queue with a
// light command for every tenth object. The traffic step's commits between frames are not
// timed.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

#include "foundation/log_file.h"
#include "foundation/manual_clock.h"
#include "gui/gui.h"
#include "platform/simworld/installed_world.h"
#include "platform/winui/headless/headless_backend.h"
#include "runtime/stop_request.h"
#include "runtime/user_aircraft.h"
#include "sim/sim_client.h"
#include "sim/sim_event_queue.h"
#include "sim/sim_link_work.h"
#include "sim/user_aircraft_stand.h"
#include "tests/support/temp_dir.h"

namespace skyloom {
namespace {

constexpr std::size_t kObjects = 500;
constexpr const char* kLivery = "Airbus A320 Neo Swiss";

class FrameBench {
public:
    FrameBench() {
        LogFile::openIn(dir_.path());
        simworld::WorldSetup setup;
        setup.simulator.flightRunning = true;
        setup.journalMaxEntries = 0;
        setup.liveries = {{kLivery, "A20N", 7.2, 0.4}};
        setup.aiObjects.assignDelaySeconds = 0.01;
        setup.aiObjects.tracePointsPerObject = 0;
        world_ = std::make_shared<simworld::World>(setup, clock_);
        installation_ = std::make_unique<simworld::WorldInstallation>(world_);
        link_.radiusMetres = [] { return 37040u; };
        SimClientContext context{RunServices{clock_, stop_, gui_}, user_, stands_};
        context.work = &link_;
        context.events = &events_;
        context.msfs2020 = true;
        client_ = std::make_unique<SimClient>(context);
        if (client_->connect() != SimClient::ConnectResult::connected) {
            throw std::runtime_error("no connection to the world");
        }
        for (std::size_t i = 0; i < kObjects; ++i) {
            SimCreateRequest request;
            request.position = SIMCONNECT_DATA_INITPOSITION{47.0, 8.0, 5000, 0, 0, 90, 0, 250};
            request.callsign = "SWR" + std::to_string(i);
            request.liveryTitle = kLivery;
            request.hexid = 0x400000 + static_cast<std::uint32_t>(i);
            queue_.push(request);
        }
        for (int i = 0; i < 2000 && ids_.size() < kObjects; ++i) {
            clock_.advance(std::chrono::milliseconds(1));
            client_->dispatchPass();
            events_.drain([&](const SimEvent& e) {
                if (e.kind == SimEventKind::liveAssigned) {
                    ids_.push_back(e.objectId);
                }
            });
        }
        if (ids_.size() != kObjects) {
            throw std::runtime_error("the world did not assign every object");
        }
    }
    ~FrameBench() {
        client_.reset();
        installation_.reset();
        LogFile::close();
    }

    // What the traffic step hands over between two frames: three steps of 10 ms.
    void betweenFrames() {
        for (int step = 0; step < 3; ++step) {
            clock_.advance(std::chrono::milliseconds(10));
            ++steps_;
            for (std::size_t i = 0; i < ids_.size(); ++i) {
                AIPosition p;
                p.latitude = 47.0 + static_cast<double>(i) * 1e-3;
                p.longitude = 8.0 + static_cast<double>(steps_) * 2e-5;
                p.altitude = 5000;
                p.headingTrue = std::fmod(static_cast<double>(steps_) * 1e-3, 6.28);
                p.trueAirspeed = 250;
                batch_.setCurrent(ids_[i], p);
            }
            batch_.commit(gf_steadyNanoseconds(clock_));
        }
        for (std::size_t i = 0; i < ids_.size(); i += 10) {
            queue_.push(SimCommand{ids_[i], 207, static_cast<std::uint32_t>(steps_ % 2)});
        }
    }
    void frame() { link_.doFrameWork(*client_); }
    std::size_t historyCount() const { return link_.historyCount(); }

private:
    testing::TempDir dir_;
    ManualClock clock_{ManualClock::utcTime(2026, 1, 5, 12)};
    std::shared_ptr<winui::headless::HeadlessBackend> backend_ =
        winui::headless::installHeadlessBackend();
    Gui gui_;
    StopControl stop_;
    UserAircraft user_;
    NoUserStands stands_;
    SimEventQueue events_;
    SimCommandQueue queue_;
    AIPositionBatch batch_;
    SimLinkWork link_{queue_, batch_};
    std::shared_ptr<simworld::World> world_;
    std::unique_ptr<simworld::WorldInstallation> installation_;
    std::unique_ptr<SimClient> client_;
    std::vector<std::uint32_t> ids_;
    std::uint64_t steps_ = 0;
};

void BM_FrameWith500AiObjects(benchmark::State& state) {
    FrameBench bench;
    for (auto _ : state) {
        state.PauseTiming();
        bench.betweenFrames();
        state.ResumeTiming();
        bench.frame();
    }
    state.counters["histories"] = static_cast<double>(bench.historyCount());
}
BENCHMARK(BM_FrameWith500AiObjects)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace skyloom
