// Stand-ins for the desktop in the frame's tests: a file chooser that answers
// from a list and a launcher that records instead of opening.
#pragma once

#include <QString>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "util/desktop_launcher.h"
#include "util/file_dialogs.h"

namespace qrv::test {

class ScriptedFileChooser final : public util::FileChooser {
  public:
    struct Asked {
        std::string caption;
        QString filters;
        std::string startPath;
    };
    // The next answers in order; nothing left answers as a cancel.
    void answer(std::optional<std::string> path) { answers_.push_back(std::move(path)); }
    std::optional<std::string> chooseFile(QWidget*, const std::string& caption,
                                          const QString& filters,
                                          const std::string& startPath) override {
        asked.push_back({caption, filters, startPath});
        if (answers_.empty()) return std::nullopt;
        auto a = answers_.front();
        answers_.pop_front();
        return a;
    }
    std::vector<Asked> asked;

  private:
    std::deque<std::optional<std::string>> answers_;
};

class RecordingLauncher final : public util::DesktopLauncher {
  public:
    bool openFile(const std::string& path) override {
        files.push_back(path);
        return true;
    }
    bool openUrl(const std::string& url) override {
        urls.push_back(url);
        return true;
    }
    std::vector<std::string> files, urls;
};

}  // namespace qrv::test
