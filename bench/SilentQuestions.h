#pragma once

#include <QString>

#include "ViewQuestions.h"

namespace kelvista::bench {

// Answers the view without a modal dialog, which would stop a benchmark for good: every question
// is declined and every message counted.
class SilentQuestions : public ViewQuestions {
public:
    explicit SilentQuestions(int& messageCount) : m_messageCount(messageCount) {}

    bool AskValue(QWidget*, const QString&, const QString&, QString&) override { return false; }
    void ShowMessage(QWidget*, const QString&, const QString&) override { ++m_messageCount; }

private:
    int& m_messageCount;
};

}  // namespace kelvista::bench
