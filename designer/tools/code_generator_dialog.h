// The code generator window (form frmGenerateCode): shows the routine that
// runs one scenario from the user's own program, regenerated on every change
// of the options, and copies it to the clipboard.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <string>

#include "designer/app_state.h"
#include "designer/tools/code_text.h"

class QComboBox;
class QGroupBox;
class QPlainTextEdit;
class QRadioButton;

namespace qrv::designer::tools {

class CodeGeneratorDialog : public QDialog {
    Q_OBJECT
  public:
    CodeGeneratorDialog(AppState& app, CodeInput input, QWidget* parent = nullptr);

    CodeOptions options() const;
    void setOptions(const CodeOptions& options);
    // The whole text as generated (Visual Basic with CR LF line ends).
    const std::string& code() const { return code_; }
    void copyToClipboard();

  private:
    void regenerate();

    AppState& app_;
    CodeInput input_;
    std::string code_;
    QPlainTextEdit* txtCode_ = nullptr;
    std::array<QRadioButton*, 2> optCodeStyle_{};
    std::array<QRadioButton*, 2> optDefaults_{};
    std::array<QRadioButton*, 2> optDBMethod_{};
    QGroupBox* styleFrame_ = nullptr;
    QGroupBox* dbFrame_ = nullptr;
    QComboBox* cboLanguage_ = nullptr;
};

// Opens the generator on a scenario of the current database (for the frame's
// generateCode); a scenario that cannot be read is reported instead.
void OpenCodeGenerator(AppState& app, std::int32_t scenario, QWidget* parent);

}  // namespace qrv::designer::tools
