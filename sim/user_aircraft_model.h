// The handler of the user aircraft's model reply (request 106): from the model text and the
// title it works out the ICAO type, the half wing span the collision checks give the user, and
// the category. An aircraft whose wing span cannot be found gets the dbase's largest half span
// and the window says that the span is unknown: too wide keeps traffic clear of the user,
// too narrow would let it run into the user.
#pragma once

#include <cstddef>
#include <string_view>

#include "platform/simconnect/simconnect_recv.h"

namespace skyloom {

class UserAircraft;
class WindowSink;

inline constexpr std::string_view kNoModelStatus =
    "171: No model info from your user aircraft received in SimConnect, max wing span is taken "
    "instead";
inline constexpr std::string_view kWingspanUnknownStatus =
    "User aircraft wing span unknown, max is taken instead, please report in my Forum!";

// The code and text of the error that replaces a user-related error raised while the type,
// the span or the category is worked out.
inline constexpr int kNoUserVehicleCode = 73;
inline constexpr std::string_view kNoUserVehicleText =
    "It looks like you have not selected an aircraft as user vehicle";

// Request 106. Sets the user aircraft's half span, category and model data, tells the window
// whether the span is known, and sets the model bit of its infoReceived on every way out.
// Throws UserRelatedException 73 (see above); other exceptions pass on unchanged.
void gf_onUserAcModel(const SIMCONNECT_RECV_SIMOBJECT_DATA& message, std::size_t size,
                      UserAircraft& user, WindowSink& window);

// The handling of a model text (the reply's field up to its NUL) on its own.
void gf_handleUserModel(std::string_view model, UserAircraft& user, WindowSink& window);

} // namespace skyloom
