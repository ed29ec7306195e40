#include "platform/qt/window_widgets.h"

#include <QLineEdit>
#include <QMenuBar>

#include "platform/qt/accessible_window.h"
#include "platform/qt/color.h"
#include "platform/qt/design_size.h"
#include "platform/qt/fonts.h"
#include "platform/qt/label_buttons.h"
#include "platform/qt/pictures.h"
#include "platform/qt/qt_text.h"
#include "platform/qt/stretched_picture.h"

namespace md5z {
namespace {

// A fixed frame with the title bar's icon, title, minimize and close
// buttons; no maximize button.
constexpr Qt::WindowFlags kFrameFlags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                        Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                        Qt::WindowCloseButtonHint;

Qt::Alignment qAlignment(Alignment alignment) {
    switch (alignment) {
        case Alignment::Right:
            return Qt::AlignRight | Qt::AlignTop;
        case Alignment::Centre:
            return Qt::AlignHCenter | Qt::AlignTop;
        case Alignment::Left:
            break;
    }
    return Qt::AlignLeft | Qt::AlignTop;
}

QWidget* makeLabel(const ControlLayout& layout, QWidget* parent) {
    auto* label = new QLabel(qText(layout.caption), parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(fontOf(layout.font));
    label->setAlignment(qAlignment(layout.alignment));
    label->setGeometry(pixelBox(layout));
    label->setFocusPolicy(Qt::NoFocus);
    setCaptionColor(*label, layout.foreColor);
    if (layout.autoSize) {
        fitToCaption(*label, layout);
    }
    if (!layout.toolTip.empty()) {
        label->setToolTip(qText(layout.toolTip));
    }
    if (layout.customPointer && layout.mouseIcon != Picture::None) {
        label->setCursor(pointerOf(layout.mouseIcon));
    }
    label->setEnabled(layout.enabled);
    label->setVisible(layout.visible);
    return label;
}

QWidget* makeTextBox(const ControlLayout& layout, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setFont(fontOf(layout.font));
    box->setGeometry(pixelBox(layout));
    box->setMaxLength(layout.maxLength);
    box->setEchoMode(layout.passwordChar.empty() ? QLineEdit::Normal : QLineEdit::Password);
    box->setToolTip(qText(layout.toolTip));
    box->setAccessibleName(qText(layout.toolTip));
    return box;
}

QWidget* makeImage(const ControlLayout& layout, QWidget* parent) {
    return new StretchedPicture(pixelBox(layout), parent);
}

QWidget* makeControl(const ControlLayout& layout, QWidget* parent) {
    switch (layout.kind) {
        case ControlKind::Label:
            return makeLabel(layout, parent);
        case ControlKind::TextBox:
            return makeTextBox(layout, parent);
        case ControlKind::Image:
            return makeImage(layout, parent);
        case ControlKind::Shape:
        case ControlKind::Line:
            break;
    }
    return new Figure(layout, parent);
}

void buildMenu(QMainWindow& window, WindowWidgets& widgets) {
    QMenu* menu = nullptr;
    for (const auto& entry : menuLayouts()) {
        const auto name = QString::fromLatin1(nameOf(entry.id));
        QAction* action = nullptr;
        if (entry.isMenu) {
            menu = window.menuBar()->addMenu(qText(entry.caption));
            menu->setObjectName(name);
            action = menu->menuAction();
        } else if (entry.caption == kMenuSeparator) {
            action = menu->addSeparator();
        } else {
            action = menu->addAction(qText(entry.caption));
        }
        action->setObjectName(name);
        widgets.menu[indexOf(entry.id)] = action;
    }
}

}  // namespace

int windowWidthFor(const QMainWindow&, int outerWidthTwips) {
    return pixels(outerWidthTwips - 2 * kFormLayout.frameSide);
}

int windowHeightFor(const QMainWindow& window, int outerHeightTwips) {
    const int client = pixels(outerHeightTwips - kFormLayout.frameTop - kFormLayout.frameSide);
    return client + window.menuBar()->sizeHint().height();
}

void fitToCaption(QLabel& label, const ControlLayout& layout) {
    const QRect design = pixelBox(layout);
    const QSize size = label.sizeHint();
    int left = design.left();
    if (layout.alignment == Alignment::Right) {
        left = design.left() + design.width() - size.width();
    } else if (layout.alignment == Alignment::Centre) {
        left = design.left() + (design.width() - size.width()) / 2;
    }
    label.setGeometry(left, design.top(), size.width(), size.height());
}

void setCaptionColor(QLabel& label, Color color) {
    QPalette palette = label.palette();
    const QColor text = qColor(color, palette);
    palette.setColor(QPalette::Active, QPalette::WindowText, text);
    palette.setColor(QPalette::Inactive, QPalette::WindowText, text);
    label.setPalette(palette);
}

WindowWidgets buildWindow(QMainWindow& window) {
    installAccessibleWindow();
    WindowWidgets widgets;
    window.setWindowFlags(kFrameFlags);
    window.setWindowTitle(qText(kFormLayout.title));
    window.setWindowIcon(programIcon());
    buildMenu(window, widgets);

    auto* client = new QWidget(&window);
    client->setObjectName(QStringLiteral("Form1"));
    client->setFixedSize(pixels(kFormLayout.clientWidth), pixels(kFormLayout.clientHeight));
    window.setCentralWidget(client);
    widgets.client = client;
    widgets.controls[indexOf(ControlId::Form1)] = client;

    // A child made later lies above those made before it, so making the
    // controls bottom first leaves the first entry of the catalogue on top.
    // Reverse iterators rather than std::views::reverse, which clang 14
    // cannot compile against libstdc++ 12.
    const auto catalogue = controlLayouts();
    for (auto layout = catalogue.rbegin(); layout != catalogue.rend(); ++layout) {
        QWidget* control = makeControl(*layout, client);
        control->setObjectName(QString::fromLatin1(nameOf(layout->id)));
        widgets.controls[indexOf(layout->id)] = control;
    }
    makeLabelButtons(widgets);

    holdWidth(window, windowWidthFor(window, kFormLayout.outerWidth));
    holdHeight(window, windowHeightFor(window, kFormLayout.outerHeight));
    return widgets;
}

}  // namespace md5z
