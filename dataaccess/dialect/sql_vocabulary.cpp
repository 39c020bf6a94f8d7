// Keyword and function tables of the dialect.
#include "dataaccess/dialect/sql_vocabulary.h"

#include <utility>

namespace qrv::dao::sql {

namespace {

// The dialect's reserved words: never a bare column or table name. Words
// reserved only in SQLite need no entry, as writers quote every name.
// clang-format off
constexpr std::pair<std::string_view, Kw> kKeywords[] = {
    {"SELECT", Kw::Select},     {"FROM", Kw::From},           {"WHERE", Kw::Where},
    {"GROUP", Kw::Group},       {"ORDER", Kw::Order},         {"BY", Kw::By},
    {"HAVING", Kw::Having},     {"AS", Kw::As},               {"ASC", Kw::Asc},
    {"DESC", Kw::Desc},         {"INNER", Kw::Inner},         {"LEFT", Kw::Left},
    {"RIGHT", Kw::Right},       {"OUTER", Kw::Outer},         {"JOIN", Kw::Join},
    {"ON", Kw::On},             {"UNION", Kw::Union},         {"ALL", Kw::All},
    {"INSERT", Kw::Insert},     {"INTO", Kw::Into},
    {"VALUES", Kw::Values},     {"UPDATE", Kw::Update},       {"SET", Kw::Set},
    {"DELETE", Kw::Delete},     {"DISTINCT", Kw::Distinct},   {"DISTINCTROW", Kw::Distinctrow},
    {"TOP", Kw::Top},           {"PERCENT", Kw::Percent},     {"AND", Kw::And},
    {"OR", Kw::Or},             {"NOT", Kw::Not},             {"XOR", Kw::Xor},
    {"EQV", Kw::Eqv},           {"IMP", Kw::Imp},             {"IS", Kw::Is},
    {"NULL", Kw::Null},         {"BETWEEN", Kw::Between},     {"LIKE", Kw::Like},
    {"IN", Kw::In},             {"MOD", Kw::Mod},             {"TRUE", Kw::True},
    {"FALSE", Kw::False},       {"EXISTS", Kw::Exists},       {"TRANSFORM", Kw::Transform},
    {"PIVOT", Kw::Pivot},       {"PARAMETERS", Kw::Parameters},
};

constexpr std::pair<std::string_view, Func> kFunctions[] = {
    {"IIF", Func::IIf},         {"ISNULL", Func::IsNull},     {"NZ", Func::Nz},
    {"STDEV", Func::StDev},     {"STDEVP", Func::StDevP},     {"VAR", Func::Var},
    {"VARP", Func::VarP},       {"FIRST", Func::First},       {"LAST", Func::Last},
    {"SUM", Func::Sum},         {"COUNT", Func::Count},       {"MIN", Func::Min},
    {"MAX", Func::Max},         {"AVG", Func::Avg},           {"LEN", Func::Len},
    {"UCASE", Func::UCase},     {"LCASE", Func::LCase},       {"MID", Func::Mid},
    {"ABS", Func::Abs},
};
// clang-format on

bool asciiEqualUpper(std::string_view text, std::string_view upper) {
    if (text.size() != upper.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (c != upper[i]) return false;
    }
    return true;
}

}  // namespace

Kw keywordOf(const Token& t) {
    if (t.kind != TokenKind::Word || t.text.size() > 11) return Kw::None;
    for (const auto& [word, kw] : kKeywords) {
        if (isWord(t, word)) return kw;
    }
    return Kw::None;
}

std::string_view keywordText(Kw k) {
    for (const auto& [word, kw] : kKeywords) {
        if (kw == k) return word;
    }
    return {};
}

Func functionOf(std::string_view name) {
    for (const auto& [word, f] : kFunctions) {
        if (asciiEqualUpper(name, word)) return f;
    }
    return Func::Other;
}

bool isAggregate(Func f) {
    switch (f) {
        case Func::StDev:
        case Func::StDevP:
        case Func::Var:
        case Func::VarP:
        case Func::First:
        case Func::Last:
        case Func::Sum:
        case Func::Count:
        case Func::Min:
        case Func::Max:
        case Func::Avg:
            return true;
        default:
            return false;
    }
}

}  // namespace qrv::dao::sql
