#pragma once
// "Append Data or Restore From Backup": appends the contacts of another log
// or of a backup file to the shared log, optionally leaving out contacts
// the log already holds (same call, same band). The append runs on a
// worker thread behind a modal progress dialog, so the windows keep
// painting; the poll timer is stopped meanwhile. When it ends, the window
// says how many records were appended and how many skipped (already in the
// log, or unreadable).
//
// From the log window's "&Combine or Restore from Backup":
//     auto* cmd = ImportWindow::mnuCombine_Click(app, this, timer3,
//                                                [this] { poll.resetTicks(); });

#include <QDialog>
#include <QPointer>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace zelq {

class AppContext;
struct AppendResult;

class ImportWindow : public QDialog {
    Q_OBJECT
public:
    ImportWindow(AppContext& app, QWidget* parent = nullptr);

    // Reloads the log, then opens the window (window-modal, deleted when
    // closed; returns at once).
    static ImportWindow* mnuCombine_Click(AppContext& app, QWidget* parent, QTimer* pollTimer,
                                          std::function<void()> resetPollTicks = {});

    // The poll timer, stopped while an append runs and restarted after it
    // when it was running.
    void setPollTimer(QTimer* timer) { pollTimer = timer; }
    // Resets the poll timer's tick count when an append starts.
    void setResetPollTicks(std::function<void()> f) { resetPollTicks = std::move(f); }

    // The outcome of the last append (for tests and the status line).
    const AppendResult& lastResult() const { return *last; }

    // How long an append runs before its progress dialog shows.
    void setProgressDelayMs(int ms) { progressDelayMs = ms; }

signals:
    void appended(int inserted);

private:
    void buildWindow();
    void onBrowse();
    void onTickBoxClicked(bool ticked);
    void onAppend();
    AppendResult runAppend(const QString& source, bool skipDuplicates);

    AppContext& app;
    QLineEdit* text1 = nullptr;
    QPushButton* command3 = nullptr; // Browse
    QCheckBox* check1 = nullptr;     // leave duplicates out
    QPushButton* command2 = nullptr; // Append
    QPushButton* command1 = nullptr; // Done
    QLabel* resultLine = nullptr;    // how the last append ended
    QPointer<QTimer> pollTimer;
    std::function<void()> resetPollTicks;
    std::shared_ptr<AppendResult> last;
    int progressDelayMs = 500;
    bool busy = false;

protected:
    void reject() override;
};

} // namespace zelq
