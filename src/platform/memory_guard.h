#pragma once
// Memory asked for before it is taken. Linux promises memory at once and, when the pages it
// promised are touched and there are none, kills the process: the user's unsaved project
// goes with it and no message is shown. So what grows with the project asks here first, and
// a request the system cannot meet ends the command with EOutOfMemory, as a failed
// allocation would, while the program still has room to show it and to save.
#include <cstdint>
#include <functional>
#include <string>

// Bytes the program may still take: what the system has available, less what it keeps for
// the rest of the desktop. Negative when the system is short already.
using TMemoryLeftSource = std::function<std::int64_t()>;

// The system's own figure: the smaller of the machine's room and the memory cgroup's.
// - The machine's is MemAvailable of /proc/meminfo less a reserve just above the line where
//   the system's own out-of-memory handling starts: MemTotal/10 + 128 MiB, at most an eighth
//   of MemTotal and at least 256 MiB (256 MiB when MemTotal cannot be read). Where
//   MemAvailable cannot be read the machine sets no limit.
// - The cgroup's is the least, over the process's memory cgroup and each of its ancestors
//   that has a limit, of that limit less what the level uses less a tenth of the limit. Under
//   cgroup v2 the limit is the smaller of memory.max and memory.high and the use is
//   memory.current less the file pages of memory.stat; under v1 (also where v1 holds the
//   memory controller beside v2) memory.limit_in_bytes and memory.usage_in_bytes less the
//   inactive file pages. A limit that cannot be read is none, and so is one whose use cannot
//   be read; without memory.stat nothing is taken off the use.
// Where neither sets a limit, nothing is ever refused.
std::int64_t SystemMemoryLeft();

// The same read under `root`, which stands for the file system's root: root/proc/meminfo,
// root/proc/self/cgroup and root/sys/fs/cgroup/... For tests.
std::int64_t SystemMemoryLeft(const std::string& root);

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
