// Exporting: the exact bytes written for each kind of value, and tables that
// come back from an export and re-import with the same types and the same
// values bit for bit.
#include <sys/stat.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>

#include "csv/csv_format.h"
#include "csv/exporter.h"
#include "csv_fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

class Export : public CsvTest {
  protected:
    // A table of the given fields filled with the given rows.
    void makeTable(const std::string& name, const std::vector<Field>& fields,
                   const std::vector<std::vector<Value>>& values) {
        TableDef def = db.CreateTableDef(name);
        for (const Field& f : fields) ASSERT_FALSE(def.AppendField(f));
        ASSERT_FALSE(db.AppendTableDef(def));
        auto rs = db.OpenRecordset(name, dbOpenTable);
        ASSERT_TRUE(rs.ok());
        ASSERT_FALSE(db.BeginTrans());
        for (const auto& row : values) {
            ASSERT_FALSE(rs->AddNew());
            for (size_t i = 0; i < row.size(); ++i)
                ASSERT_FALSE(rs->SetValue(static_cast<int>(i), row[i]));
            ASSERT_FALSE(rs->Update());
        }
        ASSERT_FALSE(db.CommitTrans());
    }

    // The folder's files but the database's own.
    std::vector<std::string> folderEntries() {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            if (e.path().filename().string().rfind("test.db", 0) != 0)
                out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
};

TEST(CsvFormat, DoublesInShortestRoundTripForm) {
    EXPECT_EQ(csv::doubleText(0.1), "0.1");
    EXPECT_EQ(csv::doubleText(1e-300), "1e-300");
    EXPECT_EQ(csv::doubleText(123456789.123456789), "123456789.12345679");  // Python repr
    EXPECT_EQ(csv::doubleText(3.0), "3.0");
    EXPECT_EQ(csv::doubleText(-0.0), "-0.0");
    EXPECT_EQ(csv::doubleText(5e9), "5000000000.0");
    EXPECT_EQ(csv::doubleText(1e16), "1e+16");
    EXPECT_EQ(csv::doubleText(2.5e-7), "2.5e-07");
}

TEST(CsvFormat, QuotingWhereAnyGuessedDelimiterCouldSplit) {
    auto field = [](std::string_view s) {
        std::string out;
        csv::appendField(out, s);
        return out;
    };
    EXPECT_EQ(field("plain"), "plain");
    EXPECT_EQ(field(""), "");
    EXPECT_EQ(field("a,b"), "\"a,b\"");
    EXPECT_EQ(field("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(field("two\r\nlines"), "\"two\r\nlines\"");
    EXPECT_EQ(field("lf\nonly"), "\"lf\nonly\"");
    EXPECT_EQ(field(" lead"), "\" lead\"");
    EXPECT_EQ(field("trail\t"), "\"trail\t\"");
    EXPECT_EQ(field("in side"), "in side");
    // Semicolons and tabs: the other delimiters an importer may guess.
    EXPECT_EQ(field("semi;colon"), "\"semi;colon\"");
    EXPECT_EQ(field("in\tside"), "\"in\tside\"");
    EXPECT_EQ(field("dot.colon:pipe|"), "dot.colon:pipe|");
}

TEST_F(Export, BytesOfEveryKindOfValue) {
    makeTable("Mix",
              {Field("Name", dbText, 20), Field("N", dbLong), Field("X", dbDouble),
               Field("Day", dbDate), Field("Ok", dbBoolean)},
              {{Value("a, \"b\""), Value(7), Value(0.1), Value::date(45351.0), Value(true)},
               {Value::null(), Value(-3), Value(2.0), Value::date(45352.0 + 49500.0 / 86400.0),
                Value(false)},
               {Value("caf\xC3\xA9\r\nbar"), Value::null(), Value::null(), Value::null(),
                Value::null()}});
    auto n = csv::exportCsv(db, "Mix", dir.file("mix.csv"));
    ASSERT_TRUE(n) << n.error().description;
    EXPECT_EQ(*n, 3);
    // Written out by hand: serial 45351 is 2024-02-29, 45352 + 49500/86400 is 2024-03-01 13:45.
    EXPECT_EQ(readBytes(dir.file("mix.csv")),
              "Name,N,X,Day,Ok\r\n"
              "\"a, \"\"b\"\"\",7,0.1,2024-02-29,True\r\n"
              ",-3,2.0,2024-03-01 13:45:00,False\r\n"
              "\"caf\xC3\xA9\r\nbar\",,,,\r\n");
}

TEST_F(Export, SingleColumnNullsStayRows) {
    makeTable("One", {Field("V", dbLong)}, {{Value(1)}, {Value::null()}, {Value(3)}});
    ASSERT_TRUE(csv::exportCsv(db, "One", dir.file("one.csv")));
    EXPECT_EQ(readBytes(dir.file("one.csv")), "V\r\n1\r\n\"\"\r\n3\r\n");
    ASSERT_TRUE(csv::importCsv(db, "OneBack", dir.file("one.csv"), {}));
    const auto t = rows("OneBack");
    ASSERT_EQ(t.size(), 3u);
    EXPECT_TRUE(t[1][0].isNull());
}

TEST_F(Export, RoundTripKeepsTypesAndEveryBit) {
    const double doubles[] = {0.1,
                              1e-300,
                              123456789.123456789,
                              -0.0,
                              3.0,
                              DBL_MAX,
                              DBL_MIN,
                              4.9406564584124654e-324,
                              1.0 / 3.0,
                              -2.5e-7,
                              9007199254740993.0,
                              6.02214076e23};
    std::vector<std::vector<Value>> values;
    int i = 0;
    for (double d : doubles) {
        values.push_back({Value(d), Value(i * 1000 - 5000), Value(std::string("t") + char('a' + i)),
                          Value::date(45351.0 + i), Value(i % 2 == 0)});
        ++i;
    }
    values.push_back({Value::null(), Value::null(), Value::null(), Value::null(), Value::null()});
    makeTable("Orig",
              {Field("D", dbDouble), Field("L", dbLong), Field("T", dbText, 5), Field("W", dbDate),
               Field("B", dbBoolean)},
              values);
    ASSERT_TRUE(csv::exportCsv(db, "Orig", dir.file("orig.csv")));
    auto back = csv::importCsv(db, "Back", dir.file("orig.csv"), {});
    ASSERT_TRUE(back) << back.error().description;
    for (int c = 0; c < 5; ++c)
        EXPECT_EQ(field("Back", c).Type, field("Orig", c).Type) << "column " << c;
    const auto a = rows("Orig"), b = rows("Back");
    ASSERT_EQ(a.size(), b.size());
    for (size_t r = 0; r < a.size(); ++r) {
        for (size_t c = 0; c < 5; ++c) {
            ASSERT_EQ(a[r][c].kind(), b[r][c].kind()) << "row " << r << " column " << c;
            if (a[r][c].isNull() || a[r][c].isText()) {
                EXPECT_EQ(a[r][c].toText(), b[r][c].toText());
                continue;
            }
            const double x = a[r][c].asDouble(), y = b[r][c].asDouble();
            EXPECT_EQ(std::memcmp(&x, &y, sizeof x), 0)
                << "row " << r << " column " << c << ": " << x << " came back as " << y;
        }
    }
    // A second export is byte for byte the first.
    ASSERT_TRUE(csv::exportCsv(db, "Back", dir.file("back.csv")));
    EXPECT_EQ(readBytes(dir.file("orig.csv")), readBytes(dir.file("back.csv")));
}

// Random tables whose field names and texts hold the characters a reader may
// split on (comma, semicolon, tab: the delimiters an import guesses among),
// quotes and line breaks come back from export and a guessing import as the
// same table: the same types, and values equal bit for bit.
TEST_F(Export, RandomTablesComeBackWhole) {
    std::mt19937 rng(20260226);
    auto pick = [&](unsigned n) { return static_cast<int>(rng() % n); };
    const std::vector<std::string> textPieces = {"a",    "Z",  " ",  ",",  ";",  "\t",      "\"",
                                                 "\r\n", "\n", "\r", "x;", ";y", "\xC3\xA9"};
    const std::vector<std::string> namePieces = {"a", "Z", " ", ",", ";", "\"", "\xC3\xA9"};
    auto text = [&](const std::vector<std::string>& from, int most) {
        std::string s;
        for (int n = 1 + pick(static_cast<unsigned>(most)); n > 0; --n)
            s += from[static_cast<size_t>(pick(static_cast<unsigned>(from.size())))];
        return s;
    };
    const int types[] = {dbText, dbLong, dbDouble, dbDate, dbBoolean};
    auto value = [&](int type) -> Value {
        switch (type) {
            case dbText:
                return Value(text(textPieces, 6));
            case dbLong:
                return Value(static_cast<int>(rng()));
            case dbDouble:
                return Value(std::ldexp(static_cast<double>(rng()) - 2147483648.0, pick(90) - 60));
            case dbDate:
                return Value::date(30000.0 + pick(30000) + pick(86400) / 86400.0);
            default:
                return Value(pick(2) == 0);
        }
    };
    int failed = 0;
    for (int t = 0; t < 300; ++t) {
        std::vector<Field> fields;
        const int columns = 1 + pick(3);
        for (int c = 0; c < columns; ++c) {
            // Unique and valid: a letter first, the column's number last.
            std::string name = text(namePieces, 5);  // appended to: GCC 12 misreads "n" + string
            name.insert(0, 1, 'n');
            name += std::to_string(c);
            const int type = types[pick(5)];
            fields.push_back(type == dbText ? Field(name, dbText, 255) : Field(name, type));
        }
        // The first row has every value: a column of Nulls says nothing of its type.
        std::vector<std::vector<Value>> values;
        for (int r = 1 + pick(4); r > 0; --r) {
            std::vector<Value> row;
            for (const Field& f : fields)
                row.push_back(!values.empty() && pick(5) == 0 ? Value::null() : value(f.Type));
            values.push_back(row);
        }
        const std::string name = std::string(1, 'R').append(std::to_string(t));
        const std::string file = dir.file(name + ".csv");
        makeTable(name, fields, values);
        ASSERT_TRUE(csv::exportCsv(db, name, file));
        auto back = csv::importCsv(db, name + "b", file, {});
        bool same = back.ok() && back->plan.columns.size() == fields.size();
        for (size_t c = 0; same && c < fields.size(); ++c)
            same = back->plan.columns[c].name == fields[c].Name &&
                   back->plan.columns[c].type.type == fields[c].Type;
        const auto b = same ? rows(name + "b") : std::vector<std::vector<Value>>{};
        same = same && b.size() == values.size();
        for (size_t r = 0; same && r < b.size(); ++r)
            for (size_t c = 0; same && c < fields.size(); ++c) {
                const Value &x = values[r][c], &y = b[r][c];
                same = x.kind() == y.kind();
                if (same && (x.isNull() || x.isText()))
                    same = x.toText() == y.toText();
                else if (same) {
                    const double dx = x.asDouble(), dy = y.asDouble();
                    same = std::memcmp(&dx, &dy, sizeof dx) == 0;
                }
            }
        if (!same && ++failed <= 3)
            ADD_FAILURE() << name << " came back changed"
                          << (back.ok() ? "" : ": " + back.error().description) << "; file:\n"
                          << readBytes(file);
    }
    EXPECT_EQ(failed, 0) << "of 300 tables";
}

TEST_F(Export, QueriesAndStatements) {
    makeTable("T", {Field("A", dbLong), Field("B", dbText, 5)},
              {{Value(1), Value("x")}, {Value(2), Value("y")}});
    ASSERT_FALSE(db.CreateQueryDef("Q", "SELECT [B] FROM [T] WHERE [A] > 1"));
    ASSERT_TRUE(csv::exportCsv(db, "Q", dir.file("q.csv")));
    EXPECT_EQ(readBytes(dir.file("q.csv")), "B\r\ny\r\n");
    auto n = csv::exportCsv(db, "SELECT [A] * 2 AS [Twice] FROM [T] ORDER BY [A] DESC",
                            dir.file("s.csv"));
    ASSERT_TRUE(n) << n.error().description;
    EXPECT_EQ(*n, 2);
    EXPECT_EQ(readBytes(dir.file("s.csv")).substr(0, 7), "Twice\r\n");
}

TEST_F(Export, FailuresLeaveNoFileAndKeepTheOldOne) {
    makeTable("T", {Field("A", dbLong)}, {{Value(1)}});
    writeBytes(dir.file("keep.csv"), "old contents");
    const auto before = folderEntries();
    auto missing = csv::exportCsv(db, "Nothing", dir.file("keep.csv"));
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().number, err::kItemNotFound);
    EXPECT_FALSE(csv::exportCsv(db, "SELECT [Nope] FROM [T]", dir.file("keep.csv")));
    // Interrupted at its first poll, after the header and the rows are written.
    std::vector<std::vector<Value>> many;
    for (int i = 0; i < 10000; ++i) many.push_back({Value(i)});
    makeTable("Many", {Field("A", dbLong)}, many);
    EXPECT_FALSE(csv::exportCsv(db, "Many", dir.file("keep.csv"), [] { return true; }));
    // A folder in the target's place.
    std::filesystem::create_directory(dir.file("folder.csv"));
    EXPECT_FALSE(csv::exportCsv(db, "T", dir.file("folder.csv")));
    std::filesystem::remove(dir.file("folder.csv"));
    EXPECT_EQ(readBytes(dir.file("keep.csv")), "old contents");
    EXPECT_EQ(folderEntries(), before);
    // A successful export replaces the file.
    ASSERT_TRUE(csv::exportCsv(db, "T", dir.file("keep.csv")));
    EXPECT_EQ(readBytes(dir.file("keep.csv")), "A\r\n1\r\n");
    EXPECT_EQ(folderEntries(), before);
}

TEST_F(Export, NeverOverTheDatabaseItself) {
    makeTable("T", {Field("A", dbLong)}, {{Value(1)}});
    auto r = csv::exportCsv(db, "T", path);
    ASSERT_FALSE(r);
    EXPECT_NE(r.error().description.find("the database itself"), std::string::npos);
    EXPECT_EQ(rows("T").size(), 1u);
    db.Close();  // a look at the file by a descriptor of ours waits for the connection to go
    EXPECT_EQ(readBytes(path).substr(0, 15), "SQLite format 3");
}

TEST_F(Export, TemporaryFilesOfDeadExportsAreRemoved) {
    makeTable("T", {Field("A", dbLong)}, {{Value(1)}});
    // Process ids above the kernel's limit (4194304 at most) never run.
    const std::string stale = csv::exportTempPath(dir.file("out.csv"), 4999999);
    writeBytes(stale, "half a fi");
    ASSERT_TRUE(csv::exportCsv(db, "T", dir.file("out.csv")));
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_EQ(folderEntries(), (std::vector<std::string>{"out.csv"}));
}

}  // namespace
}  // namespace qrv::test
