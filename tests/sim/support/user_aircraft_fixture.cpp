#include "tests/sim/support/user_aircraft_fixture.h"

#include <algorithm>
#include <cstring>
#include <string>

#include <fmt/format.h>
#include <pugixml.hpp>

#include "refdata/code_table.h"
#include "refdata/dbase.h"
#include "runtime/rt_status.h"
#include "sim/sim_ids.h"
#include "sim/user_aircraft_replies.h"
#include "sim/user_aircraft_stand.h"

namespace skyloom::testing {
namespace {

void lf_resetUserAircraftWorld() {
    gf_resetUserReplyMemory();
    g_rtProfessional.store(false);
    gf_modelCodeTable().reset();
    gf_airlineCodeTable().reset();
    gf_publishDbase(nullptr);
}

ReplyBytes lf_reply(DWORD requestId, const std::vector<std::byte>& payload) {
    ReplyBytes reply;
    reply.bytes = gf_objectDataBytes(SIMCONNECT_RECV_ID_SIMOBJECT_DATA, requestId, 1, payload);
    reply.size = SIMCONNECT_RECV_SIMOBJECT_DATA_HEADER_SIZE + payload.size();
    return reply;
}

} // namespace

ReplyBytes gf_positionReply(const UserAircraftState& state, DWORD objectId) {
    std::vector<std::byte> payload;
    gf_appendBytes(payload, state);
    ReplyBytes reply = lf_reply(USER_AC_POSITION, payload);
    auto* header = reinterpret_cast<SIMCONNECT_RECV_SIMOBJECT_DATA*>(reply.bytes.data());
    header->dwObjectID = objectId;
    return reply;
}

ReplyBytes gf_onGroundReply(std::int64_t value) {
    std::vector<std::byte> payload;
    gf_appendBytes(payload, value);
    return lf_reply(USER_AC_ON_GROUND, payload);
}

ReplyBytes gf_titleReply(std::string_view bytes) {
    std::vector<std::byte> payload(std::max<std::size_t>(bytes.size(), 1));
    std::memcpy(payload.data(), bytes.data(), bytes.size());
    return lf_reply(USER_AC_TITLE, payload);
}

ReplyBytes gf_modelReply(std::string_view text) {
    std::vector<std::byte> payload(32);
    std::memcpy(payload.data(), text.data(), std::min<std::size_t>(text.size(), 32));
    return lf_reply(USER_AC_MODEL, payload);
}

UserAircraftState gf_stateAt(double latitude, double longitude) {
    UserAircraftState state;
    state.latitude = latitude;
    state.longitude = longitude;
    state.altitude = 1400;
    state.indicatedAltitude = 1400;
    state.zuluTime = 12 * 3600;
    state.zuluDayOfYear = 5;
    state.zuluYear = 2026;
    return state;
}

UserAircraftTest::UserAircraftTest() {
    lf_resetUserAircraftWorld();
}

UserAircraftTest::~UserAircraftTest() {
    lf_resetUserAircraftWorld();
}

void UserAircraftTest::clearUserAircraft() {
    user_.clear();
    gf_resetUserReplyMemory();
}

void UserAircraftTest::loadDbase(std::string_view models, std::string_view rest) {
    const std::string xml =
        fmt::format("<root><dataset name=\"dbase\" version=\"1.0.0\"/><models>{}</models>{}</root>",
                    models, rest);
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(xml.c_str())) << xml;
    gf_publishDbase(Dbase::fromDocument(document.child("root"), "test dbase"));
}

void UserAircraftTest::deliver(const ReplyBytes& reply, std::optional<DWORD> requestId) {
    auto bytes = reply.bytes;
    if (requestId) {
        reinterpret_cast<SIMCONNECT_RECV_SIMOBJECT_DATA*>(bytes.data())->dwRequestID = *requestId;
    }
    gf_onUserAircraftData(*reinterpret_cast<const SIMCONNECT_RECV_SIMOBJECT_DATA*>(bytes.data()),
                          reply.size, {user_, stands_, gui_, stop_});
}

std::vector<bool> UserAircraftTest::wingspanUpdates() const {
    std::vector<bool> values;
    for (const GuiUpdate& update : updates()) {
        if (const auto* known = update.get<GuiUpdate::UserWingspanKnown>()) {
            values.push_back(known->known);
        }
    }
    return values;
}

std::vector<std::string> UserAircraftTest::standUpdates() const {
    std::vector<std::string> values;
    for (const GuiUpdate& update : updates()) {
        if (const auto* stand = update.get<GuiUpdate::UserStand>()) {
            values.push_back(stand->stand);
        }
    }
    return values;
}

} // namespace skyloom::testing
