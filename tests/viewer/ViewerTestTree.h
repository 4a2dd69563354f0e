#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QImage>
#include <QObject>
#include <QTemporaryDir>

#include "BmpWriter.h"
#include "MemorySettingsSource.h"
#include "ViewQuestions.h"

namespace kelvista::testing_support {

// A frame written into the test tree: a solid picture in the colour ColourOf(session, frame).
struct TestFrame {
    int32_t session = 0;
    int32_t frame = 0;
    int width = 16;
    int height = 8;
    demo::BmpDepth depth = demo::BmpDepth::Rgb24;
    std::string caption = "caption";  // raw bytes of the caption file's first line
    bool withBmp = true;
    bool withHtm = true;
};

// A replay tree in a temporary folder.
class ViewerTestTree {
public:
    std::string root() const { return m_dir.path().toStdString(); }
    // The base path the viewer composes for this frame.
    std::string BasePath(int32_t session, int32_t frame) const;
    void Add(const TestFrame& frame) const;
    static QRgb ColourOf(int32_t session, int32_t frame);

private:
    QTemporaryDir m_dir;
};

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

}  // namespace kelvista::testing_support
