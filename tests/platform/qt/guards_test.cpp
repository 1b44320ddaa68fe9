// The hourglass and the window-update lock are given back on every way out.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QWidget>

#include <memory>
#include <stdexcept>

#include "platform/qt/cursors.h"
#include "platform/qt/window_update.h"
#include "support/qt/application.h"

namespace {

class Guards : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApplication(); }
};

TEST_F(Guards, TheHourglassShowsForTheGuardsLifeAndGoesOnAnError)
{
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    try {
        TWaitCursor wait;
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        {
            TWaitCursor inner;
        }
        EXPECT_NE(QGuiApplication::overrideCursor(), nullptr) << "an inner guard leaves the outer one's";
        throw std::runtime_error("load failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(Guards, TheStripLockHoldsForTheGuardsLifeAndGoesOnAnError)
{
    QWidget strip, other;
    try {
        TWindowUpdateLock lock(&strip);
        EXPECT_TRUE(lock.Locked());
        EXPECT_FALSE(strip.updatesEnabled());
        EXPECT_EQ(LockedWindow(), &strip);
        {
            TWindowUpdateLock nested(&strip);
            TWindowUpdateLock another(&other);
            EXPECT_FALSE(nested.Locked()) << "one window at a time, as the platform does";
            EXPECT_FALSE(another.Locked());
        }
        EXPECT_FALSE(strip.updatesEnabled()) << "the guards that failed to lock unlock nothing";
        EXPECT_TRUE(other.updatesEnabled());
        throw std::runtime_error("load failed");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(strip.updatesEnabled());
    EXPECT_EQ(LockedWindow(), nullptr);
    EXPECT_FALSE(LockWindowUpdate(nullptr)) << "nothing is locked";
}

TEST_F(Guards, AWindowDestroyedWhileLockedFreesTheLock)
{
    auto strip = std::make_unique<QWidget>();
    ASSERT_TRUE(LockWindowUpdate(strip.get()));
    strip.reset();
    EXPECT_EQ(LockedWindow(), nullptr);
    QWidget next;
    EXPECT_TRUE(LockWindowUpdate(&next));
    EXPECT_TRUE(LockWindowUpdate(nullptr));
    EXPECT_TRUE(next.updatesEnabled());
}

} // namespace
