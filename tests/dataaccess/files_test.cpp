// Opening and creating database files, and every kind of bad file: each gives
// its numbered error and leaves the file exactly as it was.
#include <sqlite3.h>
#include <sys/stat.h>

#include "fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

Result<Database> open(const std::string& path, bool readOnly = false) {
    return DBEngine::Instance().OpenDatabase(path, false, readOnly);
}

TEST(DatabaseFiles, CreateThenOpenKeepsTablesAndLocale) {
    TempDir dir;
    const std::string path = dir.file("new.db");
    {
        auto db = DBEngine::Instance().CreateDatabase(path, dbLangGeneral);
        ASSERT_TRUE(db.ok()) << db.error().description;
        TableDef t = db->CreateTableDef("T");
        ASSERT_FALSE(t.AppendField(Field("A", dbLong)));
        ASSERT_FALSE(db->AppendTableDef(t));
        db->Close();
    }
    auto db = open(path);
    ASSERT_TRUE(db.ok());
    EXPECT_TRUE(db->Updatable());
    EXPECT_EQ(db->TableDefNames(), std::vector<std::string>{"T"});
    auto locale = db->GetProperty("Locale");
    ASSERT_TRUE(locale.ok());
    EXPECT_EQ(locale->toText(), ";LANGID=0x0409;CP=1252;COUNTRY=0");
}

TEST(DatabaseFiles, CreateOverExistingFileFailsAndKeepsIt) {
    TempDir dir;
    const std::string path = dir.file("x.db");
    writeBytes(path, "precious");
    auto db = DBEngine::Instance().CreateDatabase(path, dbLangGeneral);
    ASSERT_FALSE(db.ok());
    EXPECT_EQ(db.error().number, 3204);
    EXPECT_EQ(readBytes(path), "precious");
}

TEST(DatabaseFiles, CreateInMissingFolderFails) {
    TempDir dir;
    auto db = DBEngine::Instance().CreateDatabase(dir.file("no/such/dir/x.db"), dbLangGeneral);
    ASSERT_FALSE(db.ok());
    EXPECT_EQ(db.error().number, 3044);
}

TEST(DatabaseFiles, MissingPathAndDirectory) {
    TempDir dir;
    auto missing = open(dir.file("absent.db"));
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().number, 3024);
    EXPECT_NE(missing.error().description.find("absent.db"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("absent.db"))) << "open must not create";

    auto directory = open(dir.path());
    ASSERT_FALSE(directory.ok());
    EXPECT_EQ(directory.error().number, 3044);

    auto empty = open("");
    ASSERT_FALSE(empty.ok());
}

TEST(DatabaseFiles, ForeignAndEmptyFilesAreUnrecognized) {
    TempDir dir;
    for (const std::string& content :
         {std::string(), std::string("just some text\n"), std::string(4096, '\0'),
          std::string("SQLite format 2") + std::string(1, '\0') + std::string(100, 'x')}) {
        const std::string path = dir.file("bad.db");
        writeBytes(path, content);
        auto db = open(path);
        ASSERT_FALSE(db.ok()) << "content size " << content.size();
        EXPECT_EQ(db.error().number, 3343);
        EXPECT_EQ(readBytes(path), content);
    }
}

TEST(DatabaseFiles, TruncatedFileIsCorruptAndUntouched) {
    TempDir dir;
    const std::string path = dir.file("t.db");
    {
        auto db = DBEngine::Instance().CreateDatabase(path, dbLangGeneral);
        ASSERT_TRUE(db.ok());
        TableDef t = db->CreateTableDef("Big");
        ASSERT_FALSE(t.AppendField(Field("Note", dbMemo)));
        ASSERT_FALSE(db->AppendTableDef(t));
        auto rs = db->OpenRecordset("Big");
        ASSERT_TRUE(db->BeginTrans().ok());
        for (int i = 0; i < 200; ++i) {
            rs->AddNew();
            rs->Collect("Note", std::string(500, static_cast<char>('a' + i % 26)));
            ASSERT_FALSE(rs->Update());
        }
        ASSERT_FALSE(db->CommitTrans());
        db->Close();
    }
    std::string bytes = readBytes(path);
    ASSERT_GT(bytes.size(), 16384u);
    bytes.resize(bytes.size() / 2);
    writeBytes(path, bytes);
    auto db = open(path);
    ASSERT_FALSE(db.ok());
    EXPECT_EQ(db.error().number, 3049);
    EXPECT_NE(db.error().description.find("is damaged"), std::string::npos);
    EXPECT_EQ(readBytes(path), bytes);
}

TEST(DatabaseFiles, DamagedPagesGiveCorruptErrorNotACrash) {
    TempDir dir;
    const std::string path = dir.file("c.db");
    {
        auto db = DBEngine::Instance().CreateDatabase(path, dbLangGeneral);
        TableDef t = db->CreateTableDef("T");
        ASSERT_FALSE(t.AppendField(Field("N", dbDouble)));
        ASSERT_FALSE(db->AppendTableDef(t));
        auto rs = db->OpenRecordset("T");
        db->BeginTrans();
        for (int i = 0; i < 3000; ++i) {
            rs->AddNew();
            rs->Collect("N", i * 1.5);
            rs->Update();
        }
        db->CommitTrans();
        db->Close();
    }
    std::string bytes = readBytes(path);
    // Overwrite everything after the first two pages with noise.
    for (size_t i = 8192; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 7919) & 0xff);
    writeBytes(path, bytes);
    auto db = open(path);
    if (!db.ok()) {
        EXPECT_EQ(db.error().number, 3049);
    } else {
        auto rs = db->OpenRecordset("SELECT Sum([N]) FROM [T]");
        ASSERT_FALSE(rs.ok()) << "reading damaged pages must fail";
        EXPECT_EQ(rs.error().number, 3049);
        db->Close();
    }
    // An open takes the file into the write-ahead log and back, which
    // rewrites its header; no page is touched. (Compared as a flag: a failed
    // comparison of the whole file would print it.)
    EXPECT_TRUE(readBytes(path).substr(100) == bytes.substr(100));
}

TEST(DatabaseFiles, ReadOnlyFileOpensReadOnlyAndRefusesWrites) {
    TempDir dir;
    const std::string path = dir.file("ro.db");
    {
        auto db = DBEngine::Instance().CreateDatabase(path, dbLangGeneral);
        TableDef t = db->CreateTableDef("T");
        ASSERT_FALSE(t.AppendField(Field("N", dbLong)));
        ASSERT_FALSE(db->AppendTableDef(t));
        db->Close();
    }
    ::chmod(path.c_str(), 0444);
    const std::string before = readBytes(path);
    auto db = open(path);
    ASSERT_TRUE(db.ok()) << db.error().description;
    EXPECT_FALSE(db->Updatable());
    auto rs = db->OpenRecordset("T", dbOpenTable);
    ASSERT_TRUE(rs.ok());
    EXPECT_FALSE(rs->Updatable());
    EXPECT_EQ(rs->AddNew().number, 3027);
    auto ex = db->Execute("INSERT INTO [T] ([N]) VALUES (1)");
    ASSERT_FALSE(ex.ok());
    EXPECT_EQ(ex.error().number, 3027);
    TableDef t2 = db->CreateTableDef("U");
    t2.AppendField(Field("N", dbLong));
    EXPECT_EQ(db->AppendTableDef(t2).number, 3027);
    EXPECT_EQ(db->DeleteTableDef("T").number, 3027);
    db->Close();
    EXPECT_EQ(readBytes(path), before);
}

TEST(DatabaseFiles, ExplicitReadOnlyOpen) {
    TempDir dir;
    const std::string path = dir.file("r.db");
    DBEngine::Instance().CreateDatabase(path, dbLangGeneral)->Close();
    auto db = open(path, true);
    ASSERT_TRUE(db.ok());
    EXPECT_FALSE(db->Updatable());
    EXPECT_EQ(db->SetProperty("X", "y").number, 3027);
}

TEST(DatabaseFiles, ClosedDatabaseAndItsRecordsetsFailCleanly) {
    TempDir dir;
    const std::string path = dir.file("c.db");
    auto db = DBEngine::Instance().CreateDatabase(path, dbLangGeneral);
    TableDef t = db->CreateTableDef("T");
    t.AppendField(Field("N", dbLong));
    ASSERT_FALSE(db->AppendTableDef(t));
    auto rs = db->OpenRecordset("T");
    ASSERT_TRUE(rs.ok());
    Database copy = *db;  // another reference to the same connection
    db->Close();
    EXPECT_FALSE(copy.IsOpen());
    EXPECT_FALSE(rs->IsOpen());
    EXPECT_EQ(rs->MoveNext().number, 3420);
    EXPECT_EQ(rs->AddNew().number, 3420);
    EXPECT_EQ(copy.OpenRecordset("T").error().number, 3420);
}

TEST(DatabaseFiles, ScratchDatabaseWorksLikeAnyOther) {
    TempDir dir;
    const std::string path = dir.file("qrv1.tmp");
    auto db = DBEngine::Instance().CreateDatabase(path, dbLangGeneral, dbScratch);
    ASSERT_TRUE(db.ok()) << db.error().description;
    TableDef t = db->CreateTableDef("statTemp1");
    t.AppendField(Field("X", dbDouble));
    ASSERT_FALSE(db->AppendTableDef(t));
    ASSERT_TRUE(db->Execute("INSERT INTO [statTemp1] ([X]) VALUES (2.5)").ok());
    EXPECT_EQ(db->OpenRecordset("statTemp1")->GetValue(0).asDouble(), 2.5);
    db->Close();
    DBEngine::Instance().Idle(dbRefreshCache);
    EXPECT_TRUE(std::filesystem::remove(path));
}

}  // namespace
}  // namespace qrv::test
