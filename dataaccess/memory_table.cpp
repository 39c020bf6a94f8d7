// The memory table as an SQLite virtual table module. Rows live in one flat
// vector of doubles; they are sorted by all columns, left to right, before
// the first read after a change, so that an equality on the first column is
// a binary search and an ORDER BY on the leading columns costs nothing.
#include "dataaccess/memory_table.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <numeric>

namespace qrv::dao {

namespace detail {

// The stores of one connection by table name; the module's client data.
struct MemoryRegistry {
    std::mutex mu;
    std::map<std::string, std::shared_ptr<MemoryStore>> stores;
};

struct MemoryStore {
    size_t columns = 0;
    std::vector<double> cells;  // row-major
    std::vector<char> deleted;
    long live = 0;
    bool sorted = true;

    size_t rows() const { return columns ? cells.size() / columns : 0; }
    const double* row(size_t r) const { return cells.data() + r * columns; }

    void append(const double* values) {
        cells.insert(cells.end(), values, values + columns);
        deleted.push_back(0);
        ++live;
        sorted = false;
    }

    // Sorts rows lexicographically by all columns; deleted rows go.
    void sort() {
        if (sorted) return;
        compact();
        switch (columns) {  // rows of a known width sort in place, without indirection
            case 1:
                sortRows<1>();
                break;
            case 2:
                sortRows<2>();
                break;
            case 3:
                sortRows<3>();
                break;
            case 4:
                sortRows<4>();
                break;
            default:
                sortByIndex();
                break;
        }
        sorted = true;
    }

  private:
    void compact() {
        if (live == static_cast<long>(rows())) return;
        std::vector<double> out;
        out.reserve(static_cast<size_t>(live) * columns);
        for (size_t r = 0; r < rows(); ++r)
            if (!deleted[r]) out.insert(out.end(), row(r), row(r) + columns);
        cells.swap(out);
        deleted.assign(rows(), 0);
    }

    template <size_t N>
    void sortRows() {
        static_assert(sizeof(std::array<double, N>) == N * sizeof(double));
        auto* first = reinterpret_cast<std::array<double, N>*>(cells.data());
        std::sort(first, first + rows());
    }

    void sortByIndex() {
        std::vector<size_t> order(rows());
        std::iota(order.begin(), order.end(), size_t{0});
        std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            return std::lexicographical_compare(row(a), row(a) + columns, row(b), row(b) + columns);
        });
        std::vector<double> out;
        out.reserve(cells.size());
        for (size_t r : order) out.insert(out.end(), row(r), row(r) + columns);
        cells.swap(out);
    }
};

namespace {

struct MemVtab {
    sqlite3_vtab base{};
    std::shared_ptr<MemoryStore> store;
    MemoryRegistry* registry = nullptr;
    std::string name;
};

struct MemCursor {
    sqlite3_vtab_cursor base{};
    size_t pos = 0, end = 0;
};

std::string columnList(int argc, const char* const* argv) {
    // argv[3..] are the column names as written in CREATE VIRTUAL TABLE.
    std::string cols;
    for (int i = 3; i < argc; ++i) {
        if (!cols.empty()) cols += ", ";
        cols += argv[i];
        cols += " REAL";
    }
    return cols;
}

int connect(sqlite3* db, void* aux, int argc, const char* const* argv, sqlite3_vtab** out,
            char** err) {
    auto* reg = static_cast<MemoryRegistry*>(aux);
    if (argc < 4) {
        *err = sqlite3_mprintf("a memory table needs at least one column");
        return SQLITE_ERROR;
    }
    int rc = sqlite3_declare_vtab(db, ("CREATE TABLE x(" + columnList(argc, argv) + ")").c_str());
    if (rc != SQLITE_OK) return rc;
    auto* t = new MemVtab;
    t->registry = reg;
    t->name = argv[2];
    std::lock_guard lock(reg->mu);
    auto& s = reg->stores[t->name];
    if (!s) {
        s = std::make_shared<MemoryStore>();
        s->columns = static_cast<size_t>(argc - 3);
    }
    t->store = s;
    *out = &t->base;
    return SQLITE_OK;
}

int disconnect(sqlite3_vtab* v) {
    delete reinterpret_cast<MemVtab*>(v);
    return SQLITE_OK;
}

int destroy(sqlite3_vtab* v) {
    auto* t = reinterpret_cast<MemVtab*>(v);
    {
        std::lock_guard lock(t->registry->mu);
        t->registry->stores.erase(t->name);
    }
    delete t;
    return SQLITE_OK;
}

int bestIndex(sqlite3_vtab*, sqlite3_index_info* info) {
    // An equality on the first column narrows the scan to one run of rows.
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& c = info->aConstraint[i];
        if (c.usable && c.iColumn == 0 && c.op == SQLITE_INDEX_CONSTRAINT_EQ) {
            info->aConstraintUsage[i].argvIndex = 1;
            info->aConstraintUsage[i].omit = 1;
            info->idxNum = 1;
            break;
        }
    }
    info->estimatedCost = info->idxNum == 1 ? 1000 : 1e6;
    // Rows come in order of the columns, left to right: an ascending ORDER BY
    // over leading columns needs no sort. With the first column fixed, one
    // that starts at the second column is in order too.
    bool consumed = info->nOrderBy > 0;
    int next = 0;
    for (int i = 0; i < info->nOrderBy && consumed; ++i) {
        const auto& o = info->aOrderBy[i];
        if (o.desc)
            consumed = false;
        else if (o.iColumn == next)
            ++next;
        else if (i == 0 && info->idxNum == 1 && o.iColumn == 1)
            next = 2;
        else
            consumed = false;
    }
    info->orderByConsumed = consumed ? 1 : 0;
    return SQLITE_OK;
}

int open(sqlite3_vtab*, sqlite3_vtab_cursor** out) {
    *out = &(new MemCursor)->base;
    return SQLITE_OK;
}

int close(sqlite3_vtab_cursor* c) {
    delete reinterpret_cast<MemCursor*>(c);
    return SQLITE_OK;
}

MemoryStore& storeOf(sqlite3_vtab_cursor* c) {
    return *reinterpret_cast<MemVtab*>(c->pVtab)->store;
}

int filter(sqlite3_vtab_cursor* cur, int idxNum, const char*, int argc, sqlite3_value** argv) {
    auto* c = reinterpret_cast<MemCursor*>(cur);
    MemoryStore& s = storeOf(cur);
    s.sort();
    c->pos = 0;
    c->end = s.rows();
    if (idxNum == 1 && argc == 1) {
        if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
            c->end = 0;
            return SQLITE_OK;
        }
        const double key = sqlite3_value_double(argv[0]);
        size_t lo = 0, hi = s.rows();
        while (lo < hi) {  // first row with column 0 >= key
            const size_t mid = (lo + hi) / 2;
            if (s.row(mid)[0] < key)
                lo = mid + 1;
            else
                hi = mid;
        }
        size_t e = lo;
        while (e < s.rows() && s.row(e)[0] == key) ++e;
        c->pos = lo;
        c->end = e;
    }
    while (c->pos < c->end && s.deleted[c->pos]) ++c->pos;  // rows deleted since the sort
    return SQLITE_OK;
}

int next(sqlite3_vtab_cursor* cur) {
    auto* c = reinterpret_cast<MemCursor*>(cur);
    const MemoryStore& s = storeOf(cur);
    do {
        ++c->pos;
    } while (c->pos < c->end && s.deleted[c->pos]);
    return SQLITE_OK;
}

int eof(sqlite3_vtab_cursor* cur) {
    auto* c = reinterpret_cast<MemCursor*>(cur);
    return c->pos >= c->end;
}

int column(sqlite3_vtab_cursor* cur, sqlite3_context* ctx, int i) {
    auto* c = reinterpret_cast<MemCursor*>(cur);
    const double v = storeOf(cur).row(c->pos)[i];
    if (v == static_cast<double>(static_cast<sqlite3_int64>(v)) && std::abs(v) < 9e15)
        sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(v));
    else
        sqlite3_result_double(ctx, v);
    return SQLITE_OK;
}

int rowid(sqlite3_vtab_cursor* cur, sqlite3_int64* out) {
    *out = static_cast<sqlite3_int64>(reinterpret_cast<MemCursor*>(cur)->pos) + 1;
    return SQLITE_OK;
}

// Deletes by row id, and inserts; updates of existing rows are refused.
int update(sqlite3_vtab* v, int argc, sqlite3_value** argv, sqlite3_int64* newRowid) {
    MemoryStore& s = *reinterpret_cast<MemVtab*>(v)->store;
    if (argc == 1) {
        const auto r = static_cast<size_t>(sqlite3_value_int64(argv[0]) - 1);
        if (r < s.rows() && !s.deleted[r]) {
            s.deleted[r] = 1;
            --s.live;
        }
        return SQLITE_OK;
    }
    if (sqlite3_value_type(argv[0]) != SQLITE_NULL) return SQLITE_READONLY;
    std::vector<double> row(s.columns);
    for (size_t i = 0; i < s.columns; ++i) row[i] = sqlite3_value_double(argv[2 + i]);
    s.append(row.data());
    *newRowid = static_cast<sqlite3_int64>(s.rows());
    return SQLITE_OK;
}

sqlite3_module makeModule() {
    sqlite3_module m{};
    m.iVersion = 1;
    m.xCreate = connect;
    m.xConnect = connect;
    m.xBestIndex = bestIndex;
    m.xDisconnect = disconnect;
    m.xDestroy = destroy;
    m.xOpen = open;
    m.xClose = close;
    m.xFilter = filter;
    m.xNext = next;
    m.xEof = eof;
    m.xColumn = column;
    m.xRowid = rowid;
    m.xUpdate = update;
    return m;
}

const sqlite3_module kModule = makeModule();

}  // namespace

MemoryRegistry* registerMemoryTables(sqlite3* db) {
    auto* reg = new MemoryRegistry;
    if (sqlite3_create_module_v2(db, "qrv_memory", &kModule, reg, [](void* p) {
            delete static_cast<MemoryRegistry*>(p);
        }) != SQLITE_OK)
        return nullptr;  // the module owns reg from here on, even on failure
    return reg;
}

std::shared_ptr<MemoryStore> findMemoryStore(MemoryRegistry* reg, const std::string& name) {
    if (!reg) return nullptr;
    std::lock_guard lock(reg->mu);
    auto it = reg->stores.find(name);
    return it == reg->stores.end() ? nullptr : it->second;
}

}  // namespace detail

void MemoryTable::Append(std::initializer_list<double> values) {
    if (store_ && values.size() == store_->columns) store_->append(values.begin());
}

long MemoryTable::Rows() const {
    return store_ ? store_->live : 0;
}

}  // namespace qrv::dao
