// The named guard that start-up and shut-down of a context run inside.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "sprox/sys/machine.h"
#include "sprox/sys/win32/windows_api.h"

namespace {

sys::Machine& Machine() { return *sys::PlatformMachine(); }

// The library's guard is named "Sprox(-1-0)" in every process, and so shared by all
// of them; test processes run side by side, so each takes a name of its own.
const std::string kGuardName = "Sprox(-1-0) " + std::to_string(GetCurrentProcessId());
const char* const kGuard = kGuardName.c_str();

// Whether some other thread holds the named mutex now: a thread of its own
// tries to take it without waiting (and gives it back if it got it).
bool HeldElsewhere(const char* name)
{
    bool held = false;
    std::thread probe([&] {
        HANDLE mutex = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name);
        if (mutex == nullptr) {
            return;  // nobody has it open, so nobody holds it
        }
        DWORD result = WaitForSingleObject(mutex, 0);
        held = result == WAIT_TIMEOUT;
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) {
            ReleaseMutex(mutex);
        }
        CloseHandle(mutex);
    });
    probe.join();
    return held;
}

} // namespace

TEST(Guard, TakenGuardIsOwnedUntilReleasedAndLeavesNothingOpen)
{
    void* guard = Machine().TakeGuard(kGuard);
    ASSERT_NE(guard, nullptr);
    EXPECT_TRUE(HeldElsewhere(kGuard));
    Machine().ReleaseGuard(guard);
    EXPECT_FALSE(HeldElsewhere(kGuard));

    // The handle was closed: the mutex no longer exists, so creating it is new.
    HANDLE again = CreateMutexA(nullptr, FALSE, kGuard);
    ASSERT_NE(again, nullptr);
    EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    CloseHandle(again);
}

// Another holder has the guard: taking it waits until the holder lets it go, and
// then really owns it.
TEST(Guard, TakingAGuardHeldElsewhereWaitsForIt)
{
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE taking = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<bool> released{false};
    std::thread holder([&] {
        HANDLE mutex = CreateMutexA(nullptr, TRUE, kGuard);
        SetEvent(held);
        WaitForSingleObject(taking, INFINITE);
        // Give the main thread time to block in the wait; the order check below
        // holds however long it takes to get there.
        Sleep(200);
        released = true;
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    });
    WaitForSingleObject(held, INFINITE);
    SetEvent(taking);
    void* guard = Machine().TakeGuard(kGuard);
    bool releasedBeforeTaken = released;
    bool owned = HeldElsewhere(kGuard);
    holder.join();
    EXPECT_TRUE(releasedBeforeTaken);
    EXPECT_TRUE(owned);
    EXPECT_NE(guard, nullptr);
    Machine().ReleaseGuard(guard);
    EXPECT_FALSE(HeldElsewhere(kGuard));
    CloseHandle(held);
    CloseHandle(taking);
}

// A holder that ends without releasing leaves the mutex abandoned; the next
// taker owns it.
TEST(Guard, AbandonedGuardIsTakenOver)
{
    std::thread holder([] { CreateMutexA(nullptr, TRUE, kGuard); });
    holder.join();
    void* guard = Machine().TakeGuard(kGuard);
    ASSERT_NE(guard, nullptr);
    EXPECT_TRUE(HeldElsewhere(kGuard));
    Machine().ReleaseGuard(guard);
    EXPECT_FALSE(HeldElsewhere(kGuard));
}
