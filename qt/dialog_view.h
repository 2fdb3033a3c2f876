#pragma once
// The window of one dialog: a QDialog with one widget per template control, at its place and
// in template (tab) order. The dialog model holds every control's state; the view only shows
// it, and turns a person's input into the dialog's input entry points (click, paste, scroll,
// sysCommand, enter, escape). Changes the program makes to the model reach the widgets with
// their signals blocked, so they never come back as input.
#include <QDialog>
#include <QIcon>
#include <functional>
#include <map>
#include <vector>

#include "frame/dialog.h"
#include "frame/input_queue.h"
#include "qt/dialog_units.h"

class QLabel;

namespace vorlix::qt {

class DialogView : public QDialog {
public:
    // longWork tells whether long work runs now (frame::InputQueue).
    DialogView(frame::CDialog& dialog, std::function<bool()> longWork, QWidget* parent = nullptr);
    ~DialogView() override;
    DialogView(const DialogView&) = delete;
    DialogView& operator=(const DialogView&) = delete;

    frame::CDialog& dialog() { return dialog_; }
    // The widget of the control with this identifier; nullptr when there is none.
    QWidget* control(int id) const;
    // One widget per template control, in template order.
    const std::vector<QWidget*>& controls() const { return widgets_; }
    BaseUnits units() const { return units_; }

    // Runs one piece of the person's input (or the dialog's initialisation) against the
    // dialog. Input that arrives while another is still running (a click while a box is
    // open) is held and runs afterwards, as the platform queues it, or is dropped during long
    // work (frame::InputQueue). Afterwards the control the input came from shows the model
    // again (the model, not the widget, decides where a check or a scroll bar stands), and the
    // ended callback runs once the dialog has ended.
    void deliver(std::function<void()> input, int sourceId = frame::kNoId);
    void setOnEnded(std::function<void()> onEnded) { onEnded_ = std::move(onEnded); }

    // Keyboard focus on the first tab stop of the template.
    void focusFirstTabStop();

    // --- The window's shell. ---------------------------------------------------------------
    void setIcon(bool big, int iconId);
    // Linux window managers own the window menu, so the entries the dialog appends to it are
    // offered in a context menu of the dialog's background, after the menu's own "Close".
    void appendMenuSeparator();
    void appendMenuItem(unsigned commandId, const QString& text);
    // The command identifiers of that menu in order, 0 standing for a separator.
    std::vector<unsigned> menuCommands() const;

    // Lines under the template's area that no control of the template owns (standing notes
    // for the person), with the same text as the tooltip of the label that carries
    // labelCaption. The window grows by their height; no caption of the template changes. A
    // line too wide gives way as frame::noticeRows says (a path first, then onto further rows);
    // the notice's tooltip has the lines whole.
    void setNotice(const QStringList& lines, const QString& labelCaption);
    QLabel* notice() const { return notice_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    struct MenuEntry {
        unsigned command;  // 0: separator
        QString text;
    };
    QWidget* createControl(const frame::ControlTemplate& ctl);
    void showControl(int id);
    void pressEnter();

    frame::CDialog& dialog_;
    BaseUnits units_;
    QSize clientSize_;
    std::vector<QWidget*> widgets_;
    std::map<int, QWidget*> byId_;
    std::vector<MenuEntry> menu_;
    QIcon icon_;
    QLabel* notice_ = nullptr;
    std::function<void()> onEnded_;
    frame::InputQueue input_;
};

}  // namespace vorlix::qt
