// Waiting for another program's lock: the wait is announced once, with the
// file and the timeout, and the statement goes through when the lock goes.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "dataaccess/objects/dbengine.h"
#include "fixture.h"

namespace qrv::test {
namespace {

// Installs a notifier for one test and removes it afterwards: the engine is shared.
class BusyWaitTest : public DbTest {
  protected:
    void SetUp() override {
        DbTest::SetUp();
        dao::DBEngine::Instance().SetBusyWaitNotifier([this](const std::string& p, int ms) {
            std::lock_guard lock(mu);
            paths.push_back(p);
            timeouts.push_back(ms);
        });
    }
    void TearDown() override {
        dao::DBEngine::Instance().SetBusyWaitNotifier(nullptr);
        DbTest::TearDown();
    }
    std::mutex mu;
    std::vector<std::string> paths;
    std::vector<int> timeouts;
};

TEST_F(BusyWaitTest, NoLockNoWord) {
    makeNamesTable("T", {{"a", 1.0}});
    auto n = db.Execute("INSERT INTO [T] ([Name], [Amount]) VALUES ('b', 2)");
    ASSERT_TRUE(n.ok()) << n.error().description;
    EXPECT_TRUE(paths.empty());
}

TEST_F(BusyWaitTest, AWaitIsAnnouncedOnceAndEndsWhenTheLockGoes) {
    makeNamesTable("T", {{"a", 1.0}});
    // Another program takes the write lock and keeps it for 300 ms.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    std::thread release([other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    });
    const auto start = std::chrono::steady_clock::now();
    auto n = db.Execute("INSERT INTO [T] ([Name], [Amount]) VALUES ('b', 2)");
    const auto waited = std::chrono::steady_clock::now() - start;
    release.join();
    sqlite3_close(other);
    ASSERT_TRUE(n.ok()) << n.error().description;
    EXPECT_EQ(*n, 1);
    EXPECT_GE(waited, std::chrono::milliseconds(250));
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0], path);
    EXPECT_EQ(timeouts[0], 15000);
    // The next statement finds no lock and says nothing.
    ASSERT_TRUE(db.Execute("DELETE * FROM [T] WHERE [Name] = 'a'").ok());
    EXPECT_EQ(paths.size(), 1u);
}

}  // namespace
}  // namespace qrv::test
