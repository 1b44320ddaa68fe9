#pragma once
// Locking a window against repainting during a long operation, as the platform's
// LockWindowUpdate does: one window at a time; unlocking repaints it.
//
// TWindowUpdateLock holds the lock for its scope and gives it back on every way out,
// exceptions included. A lock that could not be taken (another window, or this one, is
// already locked) is not released by its guard, so nested guards leave the outer lock alone.
class QWidget;

// Locks window, or with nullptr unlocks the locked one. False when some window is locked
// already (for nullptr: when none was).
bool LockWindowUpdate(QWidget* window);
// The locked window, nullptr when none is.
QWidget* LockedWindow();

class TWindowUpdateLock {
public:
    explicit TWindowUpdateLock(QWidget* window);
    ~TWindowUpdateLock();
    TWindowUpdateLock(const TWindowUpdateLock&) = delete;
    TWindowUpdateLock& operator=(const TWindowUpdateLock&) = delete;
    bool Locked() const { return locked_; }

private:
    bool locked_;
};
