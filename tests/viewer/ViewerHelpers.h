#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QObject>

#include "ViewQuestions.h"

namespace kelvista::test {

// Answers the view's questions from a script and records what was asked and shown.
class ScriptedQuestions : public ViewQuestions {
public:
    struct Asked {
        QString title;
        QString label;
        QString value;
    };
    struct Message {
        QString caption;
        QString text;
    };

    // nullopt answers "not confirmed".
    std::deque<std::optional<QString>> answers;
    std::vector<Asked> asked;
    std::vector<Message> messages;

    bool AskValue(QWidget* owner, const QString& title, const QString& label,
                  QString& valueInOut) override;
    void ShowMessage(QWidget* owner, const QString& caption, const QString& text) override;
};

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget);
    // Lets pending updates happen, then returns the paints since the last call.
    int TakePaints();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int m_paints = 0;
};

// Runs `act` on the modal window once it is up and active; a guard closes every modal window after
// a few seconds so a failing test cannot hang.
void WhenModalShows(std::function<void(QWidget*)> act);

}  // namespace kelvista::test
