#pragma once
// Doubles of the services that reach the machine: the screen, the timers, sound, the shell
// and processes. None of them waits, plays, opens or starts anything real.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/qt/mm_timer.h"
#include "platform/qt/processes.h"
#include "platform/qt/screen.h"
#include "platform/qt/shell.h"
#include "platform/qt/sound.h"

class TFixedScreen : public TScreenInfo {
public:
    TFixedScreen(int width, int height, int bitsPerPixel, int planes = 1) { Set(width, height, bitsPerPixel, planes); }
    void Set(int width, int height, int bitsPerPixel, int planes = 1)
    {
        width_ = width;
        height_ = height;
        bits_ = bitsPerPixel;
        planes_ = planes;
    }
    int Width() override { return width_; }
    int Height() override { return height_; }
    int BitsPerPixel() override { return bits_; }
    int Planes() override { return planes_; }

private:
    int width_ = 0, height_ = 0, bits_ = 0, planes_ = 1;
};

// Timers on a clock of the test's own: nothing ticks until the test fires it.
class TFakeTimers : public TTimers {
public:
    struct TArmed {
        UINT Id = 0;
        UINT Delay = 0;
        bool Periodic = false;
        std::uint64_t Due = 0; // on the double's clock, in ms
    };

    UINT Arm(UINT delay, bool periodic, TTick tick) override;
    bool Kill(UINT timerId) override;

    // The delays of the timers armed now, in the order they were armed.
    std::vector<UINT> ArmedDelays() const;
    std::vector<TArmed> Armed() const;
    // Every delay ever armed, in order.
    std::vector<UINT> History;
    // Moves the clock to the timer due first (of two due together, the one armed first) and
    // fires it; a periodic one is due again a period later. False when none is armed.
    bool FireNext();
    // The double's clock: ms since it was made, moved only by FireNext.
    std::uint64_t Now() const { return now_; }

private:
    struct TTimerEntry {
        TArmed Armed;
        std::uint64_t Order = 0;
        TTick Tick;
    };
    std::map<UINT, TTimerEntry> timers_;
    UINT nextId_ = 1;
    std::uint64_t nextOrder_ = 0;
    std::uint64_t now_ = 0;
};

class TFakeSound : public TSound {
public:
    struct TPlay {
        std::string File;
        bool Async = false;
    };
    std::vector<TPlay> Played;
    int Stops = 0;
    bool Result = true; // what Play answers

    bool Play(const std::string& file, bool async) override;
    void Stop() override { ++Stops; }
};

class TFakeShell : public TShell {
public:
    struct TCall {
        std::string Verb;
        std::string Target;
    };
    std::vector<TCall> Opened;
    bool Result = true;

    bool Open(const std::string& verb, const std::string& target) override;
};

// Processes that only exist in the double: they run until Exit or Terminate ends them.
class TFakeProcesses : public TProcesses {
public:
    struct TStart {
        std::string Program;
        std::vector<std::string> Arguments;
        DWORD ProcessId = 0;
    };
    std::vector<TStart> Started;
    std::vector<DWORD> Terminated;
    bool FailStarts = false;

    // The process ends by itself with this code.
    void Exit(DWORD processId, DWORD exitCode);
    bool Running(DWORD processId) const;

    bool Start(const std::string& program, const std::vector<std::string>& arguments,
               PROCESS_INFORMATION& info) override;
    bool QueryExitCode(DWORD processId, DWORD& exitCode) override;
    bool Terminate(DWORD processId, UINT exitCode) override;

private:
    std::map<DWORD, DWORD> codes_; // STILL_ACTIVE while running
    DWORD nextId_ = 4000;
};
