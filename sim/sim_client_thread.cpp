#include "sim/sim_client_thread.h"

#include <exception>
#include <utility>

#include <fmt/format.h>

#include "foundation/log_file.h"
#include "platform/os/thread_name.h"

namespace skyloom {

SimClientThread::~SimClientThread() {
    stopAndJoin();
}

void SimClientThread::start(SimClientContext context) {
    stopAndJoin();
    thread_ = std::jthread([context = std::move(context)](std::stop_token token) mutable {
        os::setCurrentThreadName("SimClient");
        // The client reports what ends it; this only keeps a stray exception from ending the
        // process.
        try {
            SimClient client(std::move(context));
            client.run(std::move(token));
        } catch (const std::exception& e) {
            LogFile::writeNoThrow(fmt::format("SimClient exception: {}", e.what()));
        } catch (...) {
            LogFile::writeNoThrow("Exception in SimClient");
        }
    });
}

void SimClientThread::stopAndJoin() {
    if (thread_.joinable()) {
        thread_.request_stop();
        thread_.join();
    }
}

SimClientThread& gf_simClientThread() {
    static SimClientThread thread;
    return thread;
}

} // namespace skyloom
