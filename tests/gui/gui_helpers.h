// Helpers of the gui tests: answering modal dialogs from a timer, writing a
// settings file.
#pragma once

#include <QApplication>
#include <QMap>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "base/file_io.h"
#include "base/text.h"
#include "support/recording_prompter.h"

namespace tavrin::test {

// The prompts a recording prompter was shown, one a line ("title: text"), for
// the message of a test that expects none.
inline QString shownPrompts(const RecordingPrompter& prompter) {
    QStringList lines;
    for (const PromptCall& c : prompter.calls)
        lines << QString::fromStdString(c.title + ": " + c.text);
    return lines.join('\n');
}

// Waits (polling from the event loop) for a modal widget of type T and hands
// it to `act` once.
template <class T>
void onModal(std::function<void(T*)> act) {
    auto* timer = new QTimer(qApp);  // goes with the application when never answered
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, act, tries] {
        if (T* w = qobject_cast<T*>(QApplication::activeModalWidget()); w && w->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(w);
        } else if (++*tries > 500) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
}

// The push buttons of a window without a mnemonic ("&" letter), or whose
// letter another button of the window already takes; empty when all is well.
inline QStringList mnemonicFaults(QWidget* window) {
    QStringList faults;
    QMap<QChar, QString> taken;
    for (QPushButton* b : window->findChildren<QPushButton*>()) {
        const QString text = b->text();
        const qsizetype at = text.indexOf('&');
        if (at < 0 || at + 1 >= text.size()) {
            faults << QStringLiteral("no mnemonic: ") + text;
            continue;
        }
        const QChar letter = text[at + 1].toLower();
        if (taken.contains(letter))
            faults << QStringLiteral("clash: ") + text + QStringLiteral(" / ") + taken[letter];
        taken[letter] = text;
    }
    return faults;
}

inline void writeIni(const std::filesystem::path& file, const std::string& utf8) {
    const std::string bytes = utf8ToCp1251(utf8);
    writeFileAtomic(file, Bytes(bytes.begin(), bytes.end()));
}

}  // namespace tavrin::test
