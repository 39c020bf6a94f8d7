// CCommandArgs: reads "/NAME value/NAME value" switch strings, as the log-on
// tags of the recent-database list are written.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qrv::designer {

class CCommandArgs {
  public:
    // Splits source at each delimiter. In each piece the text up to the first
    // blank is the switch name, the rest, trimmed of blanks, its value; pieces
    // with an empty name are skipped. Two delimiters in a row stand for one
    // delimiter inside a name or value: paths here are written with "/", so
    // the tag writer doubles them (see EscapeSwitchValue).
    CCommandArgs(std::string_view source, char delimiter = '/');

    // The value of the first switch of that name, compared without regard to
    // case; empty when there is none.
    std::string Value(std::string_view name) const;
    bool Has(std::string_view name) const;
    // Every switch in order, as read.
    const std::vector<std::pair<std::string, std::string>>& Switches() const { return switches_; }

  private:
    std::vector<std::pair<std::string, std::string>> switches_;
};

// A value written into a switch string: each delimiter doubled.
std::string EscapeSwitchValue(std::string_view value, char delimiter = '/');

}  // namespace qrv::designer
