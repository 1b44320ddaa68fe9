#pragma once
// Memory asked for before it is taken. Linux promises memory at once and, when the pages it
// promised are touched and there are none, kills the process: the user's unsaved project
// goes with it and no message is shown. So what grows with the project asks here first, and
// a request the system cannot meet ends the command with EOutOfMemory, as a failed
// allocation would, while the program still has room to show it and to save.
#include <cstdint>
#include <functional>

// Bytes the program may still take: what the system has available, less what it keeps for
// the rest of the desktop. Negative when the system is short already.
using TMemoryLeftSource = std::function<std::int64_t()>;

// The system's own figure: MemAvailable of /proc/meminfo less a quarter of the machine's
// memory (at least 256 MiB). Where it cannot be read, nothing is ever refused.
std::int64_t SystemMemoryLeft();

// Where the figure comes from; an empty function puts the system's back. Gives back the one
// it replaces. For tests.
TMemoryLeftSource SetMemoryLeftSource(TMemoryLeftSource source);

// Raises EOutOfMemory(SOutOfMemory) unless `bytes` more fit in what is left; 0 bytes always
// fit. What it lets through counts as taken until the figure is read again, which is not on
// every call: it is read once some megabytes were let through or a moment has passed, and
// always before a request is refused. Any thread may call it.
void ReserveMemory(std::uint64_t bytes);

// The same for a bitmap of this size and depth, rows padded as a bitmap pads them.
void ReserveBitmapMemory(int width, int height, int bitsPerPixel);
std::uint64_t BitmapMemoryBytes(int width, int height, int bitsPerPixel);

// Every byte let through since the program started; a test's figure of what is left can
// follow it.
std::uint64_t MemoryLetThrough();
