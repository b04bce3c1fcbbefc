#include "parking/parking_context.h"

#include "feed/rt_app_link.h"
#include "feed/rtapi_query_area.h"

namespace skyloom {

void gf_setFeedReference(const ParkingContext& context, std::optional<double> altitudeFt) {
    if (context.rtDirect) {
        gf_setRtApiReference(altitudeFt);
    } else {
        gf_setRtAppReference(altitudeFt);
    }
}

} // namespace skyloom
