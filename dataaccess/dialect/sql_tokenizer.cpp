// Tokenizer for the dialect SQL: one left-to-right pass over the bytes, no
// backtracking, no regular expressions. Parentheses are paired here as well,
// so the translator can jump over a parenthesised group in constant time.
#include "dataaccess/dialect/sql_tokenizer.h"

#include <cctype>

namespace qrv::dao::sql {

namespace {

bool isWordStart(unsigned char c) {
    return std::isalpha(c) || c == '_' || c >= 0x80;
}
bool isWordChar(unsigned char c) {
    return std::isalnum(c) || c == '_' || c >= 0x80;
}
bool isDigit(unsigned char c) {
    return c >= '0' && c <= '9';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

// End of a literal delimited by `close` starting at `pos` (the opening
// delimiter); a doubled closing delimiter does not end it. npos when unterminated.
std::size_t literalEnd(std::string_view sql, std::size_t pos, char close, bool doubling) {
    for (std::size_t i = pos + 1; i < sql.size(); ++i) {
        if (sql[i] != close) continue;
        if (doubling && i + 1 < sql.size() && sql[i + 1] == close) {
            ++i;
            continue;
        }
        return i + 1;
    }
    return std::string_view::npos;
}

// A "." starts a number only where a value may start; after a name or a
// closing parenthesis it is the qualifier dot of [T].[F].
bool dotMayStartNumber(const std::vector<Token>& tokens) {
    if (tokens.empty()) return true;
    const Token& prev = tokens.back();
    if (prev.kind == TokenKind::Word || prev.kind == TokenKind::Name) return false;
    if (prev.kind == TokenKind::Symbol && prev.text == ")") return false;
    return true;
}

std::size_t numberEnd(std::string_view sql, std::size_t i) {
    const std::size_t n = sql.size();
    while (i < n && isDigit(sql[i])) ++i;
    if (i < n && sql[i] == '.') {
        ++i;
        while (i < n && isDigit(sql[i])) ++i;
    }
    if (i < n && (sql[i] == 'e' || sql[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < n && (sql[j] == '+' || sql[j] == '-')) ++j;
        if (j < n && isDigit(sql[j])) {
            while (j < n && isDigit(sql[j])) ++j;
            i = j;
        }
    }
    return i;
}

}  // namespace

Error expressionError(std::string_view fragment) {
    return makeError(err::kSyntaxInExpression,
                     "Syntax error in query expression '" + std::string(trim(fragment)) + "'.");
}

Result<std::vector<Token>> tokenize(std::string_view sql) {
    std::vector<Token> tokens;
    tokens.reserve(sql.size() / 3 + 2);
    std::vector<std::int32_t> open;  // indices of "(" not yet closed
    const std::size_t n = sql.size();
    std::size_t i = 0;
    auto push = [&](TokenKind kind, std::size_t begin, std::size_t end) {
        tokens.push_back(
            Token{kind, sql.substr(begin, end - begin), static_cast<std::uint32_t>(begin), -1});
    };
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(sql[i]);
        if (std::isspace(c)) {
            ++i;
            continue;
        }
        if (c == '\'' || c == '"' || c == '[' || c == '#') {
            const char close = c == '[' ? ']' : static_cast<char>(c);
            const std::size_t end = literalEnd(sql, i, close, c != '#');
            if (end == std::string_view::npos) return expressionError(sql.substr(i));
            const TokenKind kind = c == '['   ? TokenKind::Name
                                   : c == '#' ? TokenKind::Date
                                              : TokenKind::String;
            push(kind, i, end);
            i = end;
            continue;
        }
        if (isDigit(c) ||
            (c == '.' && i + 1 < n && isDigit(sql[i + 1]) && dotMayStartNumber(tokens))) {
            const std::size_t end = numberEnd(sql, i);
            push(TokenKind::Number, i, end);
            i = end;
            continue;
        }
        if (isWordStart(c)) {
            std::size_t end = i + 1;
            while (end < n && isWordChar(sql[end])) ++end;
            push(TokenKind::Word, i, end);
            i = end;
            continue;
        }
        std::size_t len = 1;
        if (i + 1 < n) {
            const char d = sql[i + 1];
            if ((c == '<' && (d == '>' || d == '=')) || (c == '>' && d == '=') ||
                (c == '!' && d == '='))
                len = 2;
        }
        push(TokenKind::Symbol, i, i + len);
        if (c == '(') {
            open.push_back(static_cast<std::int32_t>(tokens.size() - 1));
        } else if (c == ')') {
            if (open.empty()) return expressionError(sql.substr(0, i + 1));
            const std::int32_t partner = open.back();
            open.pop_back();
            tokens[partner].match = static_cast<std::int32_t>(tokens.size() - 1);
            tokens.back().match = partner;
        }
        i += len;
    }
    if (!open.empty()) return expressionError(sql.substr(tokens[open.front()].offset));
    tokens.push_back(Token{TokenKind::End, sql.substr(n), static_cast<std::uint32_t>(n), -1});
    return tokens;
}

void appendTokenValue(const Token& token, std::string& out) {
    std::string_view t = token.text;
    char close = 0;
    switch (token.kind) {
        case TokenKind::Name:
            close = ']';
            break;
        case TokenKind::String:
            close = t.front();
            break;
        case TokenKind::Date:
            out.append(t.substr(1, t.size() - 2));
            return;
        default:
            out.append(t);
            return;
    }
    t = t.substr(1, t.size() - 2);
    for (std::size_t i = 0; i < t.size(); ++i) {
        out.push_back(t[i]);
        if (t[i] == close) ++i;  // the tokenizer only lets doubled delimiters through
    }
}

std::string tokenValue(const Token& token) {
    std::string out;
    appendTokenValue(token, out);
    return out;
}

bool isWord(const Token& token, std::string_view upperKeyword) {
    if (token.kind != TokenKind::Word || token.text.size() != upperKeyword.size()) return false;
    for (std::size_t i = 0; i < upperKeyword.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(token.text[i])) != upperKeyword[i])
            return false;
    }
    return true;
}

bool isSymbol(const Token& token, std::string_view symbol) {
    return token.kind == TokenKind::Symbol && token.text == symbol;
}

}  // namespace qrv::dao::sql
