// The status window of a run (frmStatus): the engine's last status line, a
// progress bar of the rows read (a busy bar while their total is unknown)
// and Cancel. It blocks the other windows while a run is in progress but
// never the event loop.
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace qrv::designer {

class StatusWindow final : public QWidget {
    Q_OBJECT
  public:
    explicit StatusWindow(QWidget* parent = nullptr);

    // Shows one status line in place of the previous one.
    void SetMessage(const QString& message);
    // done of total rows read; total -1 while unknown.
    void SetProgress(long done, long total);
    QString Message() const;
    // Once the user asked to cancel: Cancel is greyed until the run ends.
    bool CancelRequested() const { return cancelRequested_; }

  signals:
    void messageShown(const QString& message);
    void cancelRequested();

  public slots:
    void RequestCancel();

  protected:
    // Closing the window while the run goes on means Cancel.
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QLabel* message_;
    QProgressBar* bar_;
    QPushButton* cancel_;
    bool cancelRequested_ = false;
};

}  // namespace qrv::designer
