// The seams between core and the platform. Core never shows a window, prints
// or sleeps by itself: it calls these interfaces, which the gui, the cli and
// the tests implement.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace tavrin {

// ---- Message boxes and questions -----------------------------------------

enum class PromptIcon { None, Information, Warning, Error, Question };
// YesNoDefaultNo: a question whose safe answer is No; the gui makes "Нет" the
// default button, the cli answers Yes only when forced.
enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel, YesNoDefaultNo };
enum class PromptAnswer { Ok, Cancel, Yes, No };

// Texts and titles are UTF-8 and pass through exactly as the program words
// them. Implementations: the gui's QMessageBox, the cli's stderr printer, the
// tests' recorder. May be called from a worker thread; the gui carries the
// call to its own thread.
class Prompter {
  public:
    virtual ~Prompter() = default;
    virtual PromptAnswer ask(const std::string& text, const std::string& title, PromptIcon icon,
                             PromptButtons buttons) = 0;

    void message(const std::string& text, const std::string& title, PromptIcon icon) {
        ask(text, title, icon, PromptButtons::Ok);
    }

    // A question or message with one more button, `actionText`, that runs
    // `action` and leaves the box open (e.g. "Сравнить..." opening the
    // compare window). Where a box cannot show it, the plain question.
    virtual PromptAnswer askWithAction(const std::string& text, const std::string& title,
                                       PromptIcon icon, PromptButtons buttons,
                                       const std::string& /*actionText*/,
                                       const std::function<void()>& /*action*/) {
        return ask(text, title, icon, buttons);
    }
};

// Answers every question with its first positive button (Ok / Yes), except
// a question whose default is No, and shows nothing.
class SilentPrompter : public Prompter {
  public:
    PromptAnswer ask(const std::string&, const std::string&, PromptIcon, PromptButtons b) override {
        if (b == PromptButtons::YesNoDefaultNo) return PromptAnswer::No;
        return b == PromptButtons::Ok || b == PromptButtons::OkCancel ? PromptAnswer::Ok
                                                                      : PromptAnswer::Yes;
    }
};

// ---- Progress of a device operation ---------------------------------------

// The status-bar progress bar. A device operation sets the range, moves the
// position and asks now and then for the window to be kept alive.
class Progress {
  public:
    virtual ~Progress() = default;
    virtual void setRange(int low, int high) = 0;
    virtual void setPosition(int position) = 0;
    virtual int position() const = 0;
    virtual void setVisible(bool visible) = 0;
    // Called at the intervals an operation gives: a chance to repaint.
    virtual void keepAlive() {}

    void step() { setPosition(position() + 1); }
};

class NullProgress : public Progress {
  public:
    void setRange(int low, int high) override {
        low_ = low;
        high_ = high;
    }
    void setPosition(int p) override { pos_ = p; }
    int position() const override { return pos_; }
    void setVisible(bool) override {}
    int low() const { return low_; }
    int high() const { return high_; }

  private:
    int low_ = 0, high_ = 0, pos_ = 0;
};

// ---- Cancellation ------------------------------------------------------------

// The exchange-active flag: set while an exchange runs; the cancel window
// clears it from its own thread, and the exchange notices after its pass.
class CancelToken {
  public:
    void arm() { active_.store(true); }
    void cancel() { active_.store(false); }
    bool active() const { return active_.load(); }

  private:
    std::atomic<bool> active_{false};
};

// The cancel window "Обмен с прибором" with its button "Остановить". The gui
// shows it modally while a device operation runs on a worker thread; pressing
// the button calls token.cancel(). The cli and the tests may do nothing.
class CancelWindow {
  public:
    virtual ~CancelWindow() = default;
    virtual void show(const std::string& title, CancelToken& token) = 0;
    virtual void hide() = 0;
};

// ---- Time ----------------------------------------------------------------------

struct LocalTime {
    int year = 2000, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    int dayOfWeek = 0;  // 0 = Sunday
};

class Clock {
  public:
    virtual ~Clock() = default;
    virtual LocalTime now() const = 0;
    // Monotonic milliseconds.
    virtual std::uint64_t ticksMs() const = 0;
    virtual void sleepMs(unsigned ms) = 0;
};

// The real clock: local time of the machine, steady ticks, real sleeps.
class SystemClock : public Clock {
  public:
    LocalTime now() const override;
    std::uint64_t ticksMs() const override;
    void sleepMs(unsigned ms) override;
};

// ---- Printing --------------------------------------------------------------------

// A page to draw report lists and databases on. Units are the device's own
// (pixels or points); the layout asks for sizes and never assumes them.
class PrintSurface {
  public:
    virtual ~PrintSurface() = default;
    virtual int pageWidth() const = 0;
    virtual int pageHeight() const = 0;
    virtual int lineHeight() const = 0;  // height of one line of the current font
    virtual int textWidth(const std::string& text) const = 0;
    // (x, y) is the top left of the text.
    virtual void text(int x, int y, const std::string& text) = 0;
    virtual void line(int x1, int y1, int x2, int y2) = 0;
    virtual void newPage() = 0;
};

}  // namespace tavrin
