#include "qt/dialog_view.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QProgressBar>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyleOptionSlider>
#include <algorithm>
#include <optional>
#include <utility>

#include "frame/notice_rows.h"
#include "qt/group_frame.h"
#include "res/resources.h"

namespace vorlix::qt {

namespace {

using frame::ControlKind;

QPixmap toPixmap(const res::Image& image) {
    // 0xAARRGGBB words row by row are exactly QImage's ARGB32 layout.
    const QImage view(reinterpret_cast<const uchar*>(image.pixels.data()), image.width,
                      image.height, image.width * 4, QImage::Format_ARGB32);
    return QPixmap::fromImage(view.copy());
}

// A horizontal scroll bar that reports what the person does with it as the platform's
// scroll codes. A press on an arrow or the trough sends its code at once (and again while
// the button auto-repeats), dragging the thumb sends SB_THUMBTRACK with the track position,
// releasing it SB_THUMBPOSITION; the release of the mouse button ends every such gesture with
// SB_ENDSCROLL. An action without a mouse gesture is followed by SB_ENDSCROLL at once.
class ScrollBar : public QScrollBar {
public:
    using Sink = std::function<void(unsigned code, std::optional<int> track)>;

    ScrollBar(QWidget* parent, Sink sink)
        : QScrollBar(Qt::Horizontal, parent), sink_(std::move(sink)) {
        setSingleStep(1);
        // The platform's scroll bar control takes no focus, has no menu of its own here and
        // ignores the wheel; right clicks go to the dialog's menu.
        setFocusPolicy(Qt::NoFocus);
        setContextMenuPolicy(Qt::NoContextMenu);
        connect(this, &QAbstractSlider::actionTriggered, this,
                [this](int action) { onAction(action); });
        connect(this, &QAbstractSlider::sliderPressed, this, [this] { gesture_ = true; });
        connect(this, &QAbstractSlider::sliderReleased, this,
                [this] { sink_(frame::SB_THUMBPOSITION, sliderPosition()); });
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        pressed_ = event->button() == Qt::LeftButton || event->button() == Qt::MiddleButton;
        gesture_ = false;
        QScrollBar::mousePressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        QScrollBar::mouseReleaseEvent(event);
        if (pressed_ && (event->buttons() & (Qt::LeftButton | Qt::MiddleButton)) == 0) {
            pressed_ = false;
            if (gesture_) sink_(frame::SB_ENDSCROLL, std::nullopt);
            gesture_ = false;
        }
    }
    void wheelEvent(QWheelEvent* event) override { event->ignore(); }

private:
    void onAction(int action) {
        std::optional<unsigned> code;
        switch (action) {
            case SliderSingleStepSub:
                code = frame::SB_LINELEFT;
                break;
            case SliderSingleStepAdd:
                code = frame::SB_LINERIGHT;
                break;
            case SliderPageStepSub:
                code = frame::SB_PAGELEFT;
                break;
            case SliderPageStepAdd:
                code = frame::SB_PAGERIGHT;
                break;
            case SliderToMinimum:
                code = frame::SB_LEFT;
                break;
            case SliderToMaximum:
                code = frame::SB_RIGHT;
                break;
            case SliderMove:
                sink_(frame::SB_THUMBTRACK, sliderPosition());
                return;
            default:
                return;
        }
        sink_(*code, std::nullopt);
        if (pressed_)
            gesture_ = true;
        else
            sink_(frame::SB_ENDSCROLL, std::nullopt);
    }

    Sink sink_;
    bool pressed_ = false;  // a left or middle button went down on the bar
    bool gesture_ = false;  // ... and started something that SB_ENDSCROLL must end
};

// A check box or radio button that takes a click anywhere in its rectangle, as the
// platform's do (Qt's take it only on the indicator and the caption's own width).
template <class Button>
class WholeRectButton : public Button {
public:
    using Button::Button;

protected:
    bool hitButton(const QPoint& pos) const override { return this->rect().contains(pos); }
};

QString qText(const std::string& text) {
    return QString::fromStdString(text);
}

// The window's style as the platform's dialogs look: check and radio indicators no taller than
// a line of the dialog font, so that radios stacked a line apart keep apart as in the template,
// and a scroll bar thumb that stands out from its groove (a shade darker than the buttons; the
// groove and arrows as the style draws them).
class DialogStyle : public QProxyStyle {
public:
    explicit DialogStyle(int lineHeight) : lineHeight_(lineHeight) {}

    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        const int base = QProxyStyle::pixelMetric(metric, option, widget);
        switch (metric) {
            case PM_IndicatorWidth:
            case PM_IndicatorHeight:
            case PM_ExclusiveIndicatorWidth:
            case PM_ExclusiveIndicatorHeight:
                return std::min(base, lineHeight_);
            default:
                return base;
        }
    }

    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override {
        const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
        if (control != CC_ScrollBar || !bar) {
            QProxyStyle::drawComplexControl(control, option, painter, widget);
            return;
        }
        QStyleOptionSlider groove(*bar);
        groove.subControls &= ~SC_ScrollBarSlider;
        QProxyStyle::drawComplexControl(control, &groove, painter, widget);
        if (!(bar->subControls & SC_ScrollBarSlider)) return;
        QStyleOptionSlider thumb(*bar);
        thumb.subControls = SC_ScrollBarSlider;
        const QColor button = thumb.palette.color(QPalette::Button);
        thumb.palette.setColor(QPalette::Button, button.darker(130));
        QProxyStyle::drawComplexControl(control, &thumb, painter, widget);
    }

private:
    int lineHeight_;
};

}  // namespace

DialogView::DialogView(frame::CDialog& dialog, std::function<bool()> longWork, QWidget* parent)
    : QDialog(parent), dialog_(dialog), input_(dialog, std::move(longWork)) {
    const frame::DialogTemplate& tmpl = dialog.dialogTemplate();
    setFont(dialogFont());
    units_ = baseUnits(font());
    // A modal frame with caption and close box, no minimise or maximise box.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(qText(tmpl.title));
    clientSize_ = toPixels({0, 0, tmpl.width, tmpl.height}, units_).size();
    setFixedSize(clientSize_);

    // Creation order is Qt's tab order, so creating in template order gives the template's.
    auto* style = new DialogStyle(units_.y);
    for (const frame::ControlTemplate& ctl : tmpl.controls) {
        QWidget* widget = createControl(ctl);
        widget->setStyle(style);
        widget->setGeometry(toPixels(ctl.place, units_));
        widgets_.push_back(widget);
        if (ctl.id != frame::kNoId) byId_.emplace(ctl.id, widget);
    }
    style->setParent(this);  // a child after the controls: deleted once they are gone
    // Group boxes are frames behind the controls they enclose, not their parents: lowered
    // innermost first, so that a group box inside another stays above the outer one, and of
    // two side by side the later in the template first, so that it stays above the earlier
    // one, as the platform stacks them: where the template lays one's caption on the other's
    // frame ("Image trim" on General's bottom line), the caption covers the line.
    const auto depth = [&tmpl](std::size_t i) {
        int d = 0;
        for (int g = tmpl.controls[i].groupBox; g >= 0;
             g = tmpl.controls[static_cast<std::size_t>(g)].groupBox)
            ++d;
        return d;
    };
    std::vector<std::size_t> groups;
    for (std::size_t i = 0; i < widgets_.size(); ++i)
        if (tmpl.controls[i].kind == ControlKind::Group) groups.push_back(i);
    std::sort(groups.begin(), groups.end(), [&depth](std::size_t a, std::size_t b) {
        return depth(a) != depth(b) ? depth(a) > depth(b) : a > b;
    });
    for (std::size_t i : groups) widgets_[i]->lower();

    for (const auto& [id, widget] : byId_) showControl(id);
    dialog_.model().setObserver([this](int id) { showControl(id); });
}

DialogView::~DialogView() {
    dialog_.model().setObserver(nullptr);
}

QWidget* DialogView::control(int id) const {
    const auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
}

QWidget* DialogView::createControl(const frame::ControlTemplate& ctl) {
    const int id = ctl.id;
    const QString caption = qText(ctl.caption);
    const auto clicked = [this, id] { deliver([this, id] { dialog_.click(id); }, id); };
    const Qt::FocusPolicy tabStop =
        (ctl.style & frame::kTabStop) ? Qt::StrongFocus : Qt::ClickFocus;

    switch (ctl.kind) {
        case ControlKind::Button: {
            auto* button = new QPushButton(caption, this);
            button->setAutoDefault(false);
            button->setDefault((ctl.style & frame::kDefault) != 0);
            button->setFocusPolicy(tabStop);
            connect(button, &QPushButton::clicked, this, clicked);
            return button;
        }
        case ControlKind::Check:
        case ControlKind::Radio: {
            QAbstractButton* button = nullptr;
            if (ctl.kind == ControlKind::Check) {
                button = new WholeRectButton<QCheckBox>(caption, this);
            } else {
                auto* radio = new WholeRectButton<QRadioButton>(caption, this);
                radio->setAutoExclusive(false);  // the model checks one radio of the group
                button = radio;
            }
            button->setFocusPolicy(tabStop);
            connect(button, &QAbstractButton::clicked, this, clicked);
            return button;
        }
        case ControlKind::Edit: {
            auto* edit = new QLineEdit(this);
            edit->setReadOnly((ctl.style & frame::kReadOnly) != 0);
            // The template's edits all show one line, the multi-line ones included: its text
            // stands in the middle of the edit's height.
            edit->setAlignment(((ctl.style & frame::kCentered) ? Qt::AlignHCenter : Qt::AlignLeft) |
                               Qt::AlignVCenter);
            edit->setFocusPolicy(tabStop);
            connect(edit, &QLineEdit::textEdited, this, [this, id](const QString& text) {
                const std::string typed = text.toStdString();
                deliver([this, id, typed] { dialog_.paste(id, typed); }, id);
            });
            return edit;
        }
        case ControlKind::Static: {
            auto* label = new QLabel(caption, this);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            // The text starts a pixel in, so that a label the template puts flush against an
            // edit's right edge (the second "0x") does not touch its frame.
            label->setIndent(1);
            return label;
        }
        case ControlKind::Group: {
            auto* group = new GroupFrame(caption, this);
            // Clicks on the frame's inside belong to the dialog (its menu) and its controls.
            group->setAttribute(Qt::WA_TransparentForMouseEvents);
            return group;
        }
        case ControlKind::Scroll:
            return new ScrollBar(this, [this, id](unsigned code, std::optional<int> track) {
                deliver([this, id, code, track] { dialog_.scroll(id, code, track); }, id);
            });
        case ControlKind::Progress: {
            auto* bar = new QProgressBar(this);
            bar->setTextVisible(false);
            return bar;
        }
        case ControlKind::Picture: {
            auto* picture = new QLabel(this);
            if (ctl.style & frame::kIcon) {
                picture->setPixmap(toPixmap(res::icon(32)));
                picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            } else {
                picture->setPixmap(toPixmap(res::banner()));
                picture->setScaledContents(true);
            }
            if (ctl.style & frame::kSunken) picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            return picture;
        }
    }
    return new QWidget(this);
}

void DialogView::showControl(int id) {
    QWidget* widget = control(id);
    if (!widget) return;
    const frame::DialogModel& model = dialog_.model();
    const QSignalBlocker blocker(widget);
    widget->setEnabled(model.isEnabled(id));
    const QString text = qText(model.text(id));

    switch (model.control(id).kind) {
        case ControlKind::Button:
            static_cast<QPushButton*>(widget)->setText(text);
            break;
        case ControlKind::Check:
        case ControlKind::Radio: {
            auto* button = static_cast<QAbstractButton*>(widget);
            button->setText(text);
            button->setChecked(model.check(id) != 0);
            break;
        }
        case ControlKind::Edit: {
            // Rewriting an edit puts the cursor at the end; an unchanged text keeps the
            // cursor where the person is typing.
            auto* edit = static_cast<QLineEdit*>(widget);
            if (edit->text() != text) edit->setText(text);
            break;
        }
        case ControlKind::Static:
            static_cast<QLabel*>(widget)->setText(text);
            break;
        case ControlKind::Group:
            static_cast<QGroupBox*>(widget)->setTitle(text);
            break;
        case ControlKind::Scroll: {
            const frame::ScrollInfo& info = model.scrollInfo(id);
            auto* bar = static_cast<QScrollBar*>(widget);
            bar->setRange(info.min, info.max);
            bar->setPageStep(static_cast<int>(info.page));
            bar->setValue(info.pos);
            break;
        }
        case ControlKind::Progress: {
            const frame::ProgressInfo& info = model.progress(id);
            auto* bar = static_cast<QProgressBar*>(widget);
            bar->setRange(info.min, info.max);
            bar->setValue(std::clamp(info.pos, bar->minimum(), bar->maximum()));
            break;
        }
        case ControlKind::Picture:
            break;
    }
}

void DialogView::deliver(std::function<void()> input, int sourceId) {
    if (!input_.deliver(std::move(input), sourceId, [this](int id) { showControl(id); })) return;
    if (dialog_.ended() && onEnded_) onEnded_();
}

void DialogView::focusFirstTabStop() {
    const auto& controls = dialog_.dialogTemplate().controls;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if ((controls[i].style & frame::kTabStop) && widgets_[i]->isEnabled()) {
            widgets_[i]->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}

void DialogView::pressEnter() {
    // A push button with the focus is the default button for the moment, as on the platform.
    QWidget* focused = focusWidget();
    for (const auto& [id, widget] : byId_) {
        if (widget == focused && qobject_cast<QPushButton*>(widget)) {
            dialog_.click(id);
            return;
        }
    }
    dialog_.enter();
}

void DialogView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            deliver([this] { pressEnter(); });
            return;
        case Qt::Key_Escape:
            deliver([this] { dialog_.escape(); });
            return;
        default:
            QDialog::keyPressEvent(event);
    }
}

void DialogView::closeEvent(QCloseEvent* event) {
    // The close box is the system command SC_CLOSE; the dialog decides whether it ends, and
    // the host takes the window down when it has.
    event->ignore();
    deliver([this] { dialog_.sysCommand(frame::SC_CLOSE); });
}

void DialogView::setIcon(bool big, int iconId) {
    // The program has one icon; a handle that is not it is the null icon.
    if (iconId != res::IDR_MAINFRAME) return;
    icon_.addPixmap(toPixmap(res::icon(big ? 32 : 16)));
    setWindowIcon(icon_);
}

void DialogView::appendMenuSeparator() {
    menu_.push_back({0, QString()});
}

void DialogView::appendMenuItem(unsigned commandId, const QString& text) {
    menu_.push_back({commandId, text});
}

std::vector<unsigned> DialogView::menuCommands() const {
    std::vector<unsigned> commands{frame::SC_CLOSE};
    for (const MenuEntry& entry : menu_) commands.push_back(entry.command);
    return commands;
}

void DialogView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    menu.addAction(tr("&Close"))->setData(frame::SC_CLOSE);
    for (const MenuEntry& entry : menu_) {
        if (entry.command == 0)
            menu.addSeparator();
        else
            menu.addAction(entry.text)->setData(entry.command);
    }
    const QAction* chosen = menu.exec(event->globalPos());
    if (!chosen) return;
    const unsigned command = chosen->data().toUInt();
    deliver([this, command] { dialog_.sysCommand(command); });
}

void DialogView::setNotice(const QStringList& lines, const QString& labelCaption) {
    const QString text = lines.join(QLatin1Char('\n'));
    const auto& controls = dialog_.dialogTemplate().controls;
    for (std::size_t i = 0; i < controls.size(); ++i)
        if (controls[i].kind == ControlKind::Static && qText(controls[i].caption) == labelCaption)
            widgets_[i]->setToolTip(text);

    if (!notice_) {
        notice_ = new QLabel(this);
        notice_->setTextFormat(Qt::PlainText);
        notice_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        notice_->setContentsMargins(units_.x / 2, units_.y / 4, units_.x / 2, units_.y / 4);
    }
    // A line too long for the window gives way as frame::noticeRows says (a path first, then
    // onto more rows); the tooltip has every line whole.
    const int width = clientSize_.width() - notice_->contentsMargins().left() -
                      notice_->contentsMargins().right() - 2 * notice_->frameWidth();
    const QFontMetrics metrics = notice_->fontMetrics();
    const frame::TextWidth measure = [&metrics](const std::string& row) {
        return metrics.horizontalAdvance(qText(row));
    };
    QStringList shown;
    for (const QString& line : lines)
        for (const std::string& row : frame::noticeRows(line.toStdString(), width, measure))
            shown << qText(row);
    notice_->setText(shown.join(QLatin1Char('\n')));
    notice_->setToolTip(text);
    const int height = static_cast<int>(shown.size()) * units_.y + units_.y / 2 + 2;
    notice_->setGeometry(0, clientSize_.height(), clientSize_.width(), height);
    notice_->show();
    setFixedSize(clientSize_.width(), clientSize_.height() + height);
}

}  // namespace vorlix::qt
