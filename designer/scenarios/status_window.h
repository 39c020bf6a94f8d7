// The status window of a run (frmStatus): which scenario runs, the engine's
// last status line, the notes of the run (which levels a test compares), a
// progress bar of the rows read (a busy bar while their total is unknown)
// and Cancel. It blocks the other windows while a run is in progress but
// never the event loop. A run the user cancelled ends in it too: it says so
// and waits to be closed, as a message box would.
#pragma once

#include <QWidget>
#include <cstdint>

class QLabel;
class QProgressBar;
class QPushButton;

namespace qrv::designer {

class StatusWindow final : public QWidget {
    Q_OBJECT
  public:
    explicit StatusWindow(QWidget* parent = nullptr);

    // Names the scenario in the title and above the status line.
    void SetScenario(std::int32_t number, const QString& description);
    // Shows one status line in place of the previous one (not once Cancel
    // was asked for: the window then says it is cancelling).
    void SetMessage(const QString& message);
    // done of total rows read; total -1 while unknown.
    void SetProgress(long done, long total);
    // A note of the run: stays in view, below the status line, until the end.
    void AddNote(const QString& note);
    QString Message() const;
    QString Notes() const;
    // Once the user asked to cancel: Cancel is greyed until the run ends.
    bool CancelRequested() const { return cancelRequested_; }

    // The run ended by the user's Cancel: "Run of scenario N cancelled.",
    // the bar gone and Close in place of Cancel. Closing then closes.
    void ShowCancelled();
    bool Ended() const { return ended_; }

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
    QLabel* scenario_;
    QLabel* message_;
    QLabel* notes_;
    QProgressBar* bar_;
    QPushButton* cancel_;
    std::int32_t number_ = 0;
    bool cancelRequested_ = false;
    bool ended_ = false;
};

}  // namespace qrv::designer
