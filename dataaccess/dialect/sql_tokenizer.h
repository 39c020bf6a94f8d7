// Tokenizer for the desktop engine's SQL dialect. The translator works on
// these tokens only, never on raw text, so quotes and brackets inside
// literals and names are settled once, here, before any rewrite.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/error.h"

namespace qrv::dao::sql {

enum class TokenKind : std::uint8_t {
    Word,    // bare identifier or keyword: letters, digits, "_" (any non-ASCII byte counts as a
             // letter)
    Name,    // [bracketed name]; "]]" inside stands for "]"
    String,  // 'text' or "text"; a doubled delimiter stands for itself
    Date,    // #date/time#
    Number,  // 12, 1.5, .5, 2E-3
    Symbol,  // operators and punctuation: ( ) , ; . * + - / \ ^ & = <> < <= > >= ! and any other
             // single byte
    End,     // always the last token
};

struct Token {
    TokenKind kind = TokenKind::End;
    std::string_view text;     // exactly as written, delimiters included
    std::uint32_t offset = 0;  // byte offset of text in the source
    std::int32_t match = -1;   // for "(" and ")": index of the partner token
};

// Splits `sql` into tokens ending with an End token. Whitespace is dropped.
// The dialect has no comments: "--" is two minus signs ("5--1" is 6) and
// "/*" a division and a star. Unterminated literals or names and unbalanced
// parentheses give error 3075.
Result<std::vector<Token>> tokenize(std::string_view sql);

// The content of a Name, String or Date token without its delimiters and with
// doubled delimiters collapsed; other tokens give their text.
std::string tokenValue(const Token& token);
void appendTokenValue(const Token& token, std::string& out);

// Case-insensitive comparison of a Word token with an upper-case keyword.
bool isWord(const Token& token, std::string_view upperKeyword);
bool isSymbol(const Token& token, std::string_view symbol);

// Error 3075 quoting `fragment` (trimmed), the desktop engine's wording.
Error expressionError(std::string_view fragment);

}  // namespace qrv::dao::sql
