// Work off the user-interface thread: events keep flowing while it runs and its failure comes
// back to the caller. (A quit meanwhile ends every event loop of the process for good, so it is
// not played here.)

#include "ui/background_work.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Waits until told to stop, at most ten seconds.
void waitUntil(const std::atomic<bool>& stopped) {
    for (int i = 0; i < 1000 && !stopped; ++i)
        std::this_thread::sleep_for(10ms);
}

TEST(BackgroundWork, EventsFlowMeanwhileAndTheFailureComesBackToTheCaller) {
    std::atomic<bool> stopped{false};
    bool timerFired = false;
    std::thread::id workThread;
    QTimer::singleShot(50, [&] {
        timerFired = true; // runs on this thread while the work waits
        stopped = true;
    });
    try {
        runInBackground(
            [&] {
                workThread = std::this_thread::get_id();
                waitUntil(stopped);
                throw std::runtime_error("the server went away");
            },
            {});
        ADD_FAILURE() << "the work's failure was lost";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "the server went away");
    }
    EXPECT_TRUE(timerFired);
    EXPECT_NE(workThread, std::this_thread::get_id());
}

} // namespace
