// The frame's small records: the switch parser, log-on tags, the recent list
// and its stored values, the file-name checks and the file-dialog filters.
// Expected values are written out by hand from the rules they follow.
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>

#include "designer/frame/command_args.h"
#include "designer/frame/file_checks.h"
#include "designer/frame/logon_tag.h"
#include "designer/frame/mru_list.h"
#include "util/file_dialogs.h"
#include "util/settings.h"

using namespace qrv::designer;
using qrv::util::MemorySettingsStore;
using qrv::util::ProgramSettings;

namespace {
const std::string kSettingsKey = "Zelk/Quorvane/5.0/Settings";
ProgramSettings settingsA(MemorySettingsStore& store) {
    return ProgramSettings(store, "Zelk", "Quorvane\\5.0", "Settings");
}
}  // namespace

class FrameRecordsTest : public QObject {
    Q_OBJECT
  private slots:
    void switchParserSplitsNamesAndValues() {
        CCommandArgs a("/WG c:\\sys.mdw/UID  John Smith  /PWD ");
        QCOMPARE(a.Switches().size(), std::size_t(3));
        QCOMPARE(a.Value("WG"), std::string("c:\\sys.mdw"));
        // The value is everything after the first blank, trimmed.
        QCOMPARE(a.Value("UID"), std::string("John Smith"));
        QCOMPARE(a.Value("PWD"), std::string());
        QVERIFY(a.Has("PWD"));
        // Names are found in any case; an absent switch is empty.
        QCOMPARE(a.Value("uid"), std::string("John Smith"));
        QCOMPARE(a.Value("XYZ"), std::string());
        QVERIFY(!a.Has("XYZ"));
    }

    void switchParserSkipsEmptyNamesAndKeepsTheFirst() {
        // "/ x" has an empty name (the piece starts with a blank); "//" is a
        // literal delimiter, so "A a//b" is one value.
        CCommandArgs a("lead/ x/A a//b/B/A second", '/');
        QCOMPARE(a.Switches().size(), std::size_t(4));
        QCOMPARE(a.Switches()[0].first, std::string("lead"));
        QCOMPARE(a.Value("A"), std::string("a/b"));
        QCOMPARE(a.Value("B"), std::string());
        // Another delimiter character.
        CCommandArgs b("-n 3-m four five", '-');
        QCOMPARE(b.Value("n"), std::string("3"));
        QCOMPARE(b.Value("m"), std::string("four five"));
        QVERIFY(CCommandArgs("", '/').Switches().empty());
        QVERIFY(CCommandArgs("/ / /", '/').Switches().empty());
    }

    void logonTagIsBuiltAsStored() {
        LogonInfo info{"C:\\Data\\sys.mdw", "Admin", "secret"};
        QCOMPARE(BuildLogonTag(info, true),
                 std::string("/WG C:\\Data\\sys.mdw/UID Admin/PWD secret"));
        // Without SavePassword the password part stays empty.
        QCOMPARE(BuildLogonTag(info, false), std::string("/WG C:\\Data\\sys.mdw/UID Admin/PWD "));
        QCOMPARE(BuildLogonTag({}, true), std::string("/WG /UID /PWD "));
    }

    void logonTagReadsBack() {
        LogonInfo a = ParseLogonTag("/WG C:\\Data\\sys.mdw/UID Admin/PWD ");
        QCOMPARE(a.workgroup, std::string("C:\\Data\\sys.mdw"));
        QCOMPARE(a.user, std::string("Admin"));
        QCOMPARE(a.password, std::string());
        // Values with blanks, and paths written with "/", survive the round trip.
        LogonInfo b{"/home/ann/My Files/sys.mdw", "Ann Lee", "pass word/2"};
        const std::string tag = BuildLogonTag(b, true);
        QCOMPARE(tag,
                 std::string("/WG //home//ann//My Files//sys.mdw/UID Ann Lee/PWD pass word//2"));
        LogonInfo back = ParseLogonTag(tag);
        QCOMPARE(back.workgroup, b.workgroup);
        QCOMPARE(back.user, b.user);
        QCOMPARE(back.password, b.password);
        // A tag written by hand in another order still reads.
        LogonInfo c = ParseLogonTag("/PWD x/UID y");
        QCOMPARE(c.workgroup, std::string());
        QCOMPARE(c.user, std::string("y"));
        QCOMPARE(c.password, std::string("x"));
    }

    void recentListKeepsFourMostRecentFirst() {
        MemorySettingsStore store;
        CMRU mru(settingsA(store));
        for (const char* p : {"/a.db", "/b.db", "/c.db", "/d.db", "/e.db"})
            mru.SetMRUList(p, std::string("/WG /UID /PWD ") + p);
        QCOMPARE(mru.Count(), std::size_t(4));
        QCOMPARE(mru.Entries()[0].path, std::string("/e.db"));
        QCOMPARE(mru.Entries()[3].path, std::string("/b.db"));
        mru.WriteMRUList();
        QCOMPARE(store.read(kSettingsKey, "MRU1", ""), std::string("/e.db"));
        QCOMPARE(store.read(kSettingsKey, "MRUTAG1", ""), std::string("/WG /UID /PWD /e.db"));
        QCOMPARE(store.read(kSettingsKey, "MRU4", ""), std::string("/b.db"));
        QCOMPARE(store.read(kSettingsKey, "MRU5", "none"), std::string("none"));

        // Re-adding a listed path moves it up with its new tag; nothing repeats.
        mru.SetMRUList("/c.db", "/WG w/UID u/PWD ");
        QCOMPARE(mru.Count(), std::size_t(4));
        std::vector<std::string> order;
        for (const auto& e : mru.Entries()) order.push_back(e.path);
        QCOMPARE(order, (std::vector<std::string>{"/c.db", "/e.db", "/d.db", "/b.db"}));
        QCOMPARE(mru.Entries()[0].tag, std::string("/WG w/UID u/PWD "));
        // The top entry re-added stays where it is.
        mru.SetMRUList("/c.db", "t");
        QCOMPARE(mru.Entries()[1].path, std::string("/e.db"));
        mru.SetMRUList("", "ignored");
        QCOMPARE(mru.Count(), std::size_t(4));
    }

    void recentListReadsBackAndClearsUnusedPlaces() {
        MemorySettingsStore store;
        {
            CMRU mru(settingsA(store));
            mru.SetMRUList("/x.db", "/WG /UID /PWD ");
            mru.SetMRUList("/y.db", "/WG /wg/UID u/PWD ");
            mru.WriteMRUList();
        }
        CMRU again(settingsA(store));
        again.GetMRUList();
        QCOMPARE(again.Count(), std::size_t(2));
        QCOMPARE(again.Entries()[0].path, std::string("/y.db"));
        QCOMPARE(again.Entries()[0].tag, std::string("/WG /wg/UID u/PWD "));
        // Values left from a longer list are removed when a shorter one is written.
        store.write(kSettingsKey, "MRU3", "/stale.db");
        store.write(kSettingsKey, "MRUTAG3", "/WG /UID /PWD ");
        again.WriteMRUList();
        QCOMPARE(store.read(kSettingsKey, "MRU3", "gone"), std::string("gone"));
        QCOMPARE(store.read(kSettingsKey, "MRUTAG3", "gone"), std::string("gone"));
        // An empty place ends the list even when later ones are filled.
        store.write(kSettingsKey, "MRU1", "");
        again.GetMRUList();
        QCOMPARE(again.Count(), std::size_t(0));
    }

    void reservedDeviceNames() {
        for (const char* name : {"AUX", "COM", "COM1", "com1", "COM4", "PRN", "LPT1", "lpt3",
                                 "COM1.txt", "aux.mdb", "/tmp/Com2.db", "C:\\data\\PRN.mdb"})
            QVERIFY2(IsReservedDeviceName(name), name);
        for (const char* name : {"COM5", "LPT4", "LPT", "COM10", "AUXX", "my.COM1", "com1x.db",
                                 "/tmp/prn/file.db", ""})
            QVERIFY2(!IsReservedDeviceName(name), name);
    }

    void fileExistsOnlyForFiles() {
        QTemporaryDir dir;
        const std::string file = (dir.path() + "/data.db").toStdString();
        std::ofstream(file) << "x";
        const std::string device = (dir.path() + "/COM1.txt").toStdString();
        std::ofstream(device) << "x";
        QVERIFY(FileExists(file));
        QVERIFY(!FileExists(""));
        QVERIFY(!FileExists(dir.path().toStdString()));  // a folder
        QVERIFY(!FileExists((dir.path() + "/none.db").toStdString()));
        // Even a real file is refused under a device's name.
        QVERIFY(!FileExists(device));
    }

    void filtersInQtForm() {
        using qrv::util::ToQtFilter;
        QCOMPARE(ToQtFilter(qrv::util::kDatabaseFilter),
                 QString("Access Database (*.mdb);;Access Library (*.mda);;Access MDE (*.mde);;"
                         "All Files (*)"));
        QCOMPARE(ToQtFilter(qrv::util::kWorkgroupFilter),
                 QString("Access Library (*.mda *.mdw);;All Files (*)"));
        QVERIFY(
            qrv::util::DatabaseFilters().startsWith("SQLite Database (*.db *.sqlite);;Access "
                                                    "Database (*.mdb)"));
        QVERIFY(qrv::util::WorkgroupFilters().startsWith("Access Library (*.mda *.mdw);;"));
        QVERIFY(qrv::util::WorkgroupFilters().endsWith(";;SQLite Database (*.db *.sqlite)"));
        QCOMPARE(ToQtFilter("Text|*.txt|Odd"), QString("Text (*.txt);;Odd"));
    }
};

QTEST_MAIN(FrameRecordsTest)
#include "frame_records_test.moc"
