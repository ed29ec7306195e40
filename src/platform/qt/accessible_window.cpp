#include "platform/qt/accessible_window.h"

#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QStyle>
#include <QWidget>
#include <algorithm>
#include <optional>
#include <vector>

#include "platform/qt/label_buttons.h"
#include "platform/qt/qt_text.h"
#include "window/accessible_tree.h"
#include "window/layout.h"

namespace md5z {
namespace {

using enum ControlId;

const QString kClientName = QStringLiteral("Form1");
// The object that carries what a click changed to a screen reader, and the
// property that holds it.
const QString kNoticeName = QStringLiteral("clickNotice");
constexpr char kNoticeText[] = "text";

std::optional<ControlId> controlNamed(const QString& name) {
    for (const auto& layout : controlLayouts()) {
        if (name == QLatin1String(nameOf(layout.id))) {
            return layout.id;
        }
    }
    return std::nullopt;
}

QString captionOf(const QWidget& client, ControlId id) {
    const auto* label =
        client.findChild<QLabel*>(QLatin1String(nameOf(id)), Qt::FindDirectChildrenOnly);
    return label != nullptr ? label->text() : QString();
}

// The client area: its children are the controls worth reading, those of
// them that are not hidden.
class ClientAccessible final : public QAccessibleWidget {
  public:
    explicit ClientAccessible(QWidget* client) : QAccessibleWidget(client) {}

    int childCount() const override {
        return isClient() ? static_cast<int>(shown().size()) : QAccessibleWidget::childCount();
    }

    QAccessibleInterface* child(int index) const override {
        if (!isClient()) {
            return QAccessibleWidget::child(index);
        }
        const auto widgets = shown();
        if (index < 0 || index >= static_cast<int>(widgets.size())) {
            return nullptr;
        }
        return QAccessible::queryAccessibleInterface(widgets[static_cast<std::size_t>(index)]);
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!isClient()) {
            return QAccessibleWidget::indexOfChild(child);
        }
        const auto widgets = shown();
        const auto found = std::ranges::find(widgets, child != nullptr ? child->object() : nullptr);
        return found != widgets.end() ? static_cast<int>(found - widgets.begin()) : -1;
    }

  private:
    // The interface may be asked for before the widget has its name.
    bool isClient() const { return widget()->objectName() == kClientName; }

    std::vector<QObject*> shown() const {
        std::vector<QObject*> widgets;
        for (const ControlId id : kReadingOrder) {
            auto* control = widget()->findChild<QWidget*>(QLatin1String(nameOf(id)),
                                                          Qt::FindDirectChildrenOnly);
            if (control != nullptr && !control->isHidden()) {
                widgets.push_back(control);
            }
        }
        return widgets;
    }
};

// A label of the window: a push button for the label-buttons, static text
// otherwise. A result row and the counter carry their caption as their name
// and what they show as their text.
class LabelAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit LabelAccessible(QLabel* label) : QAccessibleWidget(label) {}

    QAccessible::Role role() const override {
        return isButton() ? QAccessible::Button : QAccessible::StaticText;
    }

    QString text(QAccessible::Text kind) const override {
        switch (kind) {
            case QAccessible::Name:
                return name();
            case QAccessible::Value:
                return isReading() ? shownText() : QString();
            default:
                return QAccessibleWidget::text(kind);
        }
    }

    QStringList actionNames() const override {
        return isButton() ? QStringList{pressAction()} : QStringList{};
    }

    void doAction(const QString& action) override {
        if (isButton() && action == pressAction()) {
            pressLater(*label());
        }
    }

    QStringList keyBindingsForAction(const QString&) const override { return {}; }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) {
            return isReading() ? static_cast<QAccessibleTextInterface*>(this) : nullptr;
        }
        if (type == QAccessible::ActionInterface) {
            return isButton() ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
        }
        return QAccessibleWidget::interface_cast(type);
    }

    // The text of a row or of the counter, read-only: no selection, no caret.
    void selection(int, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override {
        const QString shown = shownText();
        const qsizetype start = std::clamp<qsizetype>(startOffset, 0, shown.size());
        const qsizetype end =
            endOffset < 0 ? shown.size() : std::clamp<qsizetype>(endOffset, start, shown.size());
        return shown.mid(start, end - start);
    }
    int characterCount() const override { return static_cast<int>(shownText().size()); }
    // Where the caption's characters are drawn on the screen: one line, at
    // the top of the label, placed by its alignment. Screen readers review
    // the text by these places; without them they read only the name.
    QRect characterRect(int offset) const override {
        const QString shown = shownText();
        if (offset < 0 || offset >= shown.size()) {
            return {};
        }
        const QFontMetrics metrics(label()->font());
        const QRect box = label()->contentsRect();
        const Qt::Alignment alignment =
            QStyle::visualAlignment(label()->layoutDirection(), label()->alignment());
        const int spare = box.width() - metrics.horizontalAdvance(shown);
        int left = box.left();
        if (alignment & Qt::AlignRight) {
            left += spare;
        } else if (alignment & Qt::AlignHCenter) {
            left += spare / 2;
        }
        const QRect drawn(left + metrics.horizontalAdvance(shown.left(offset)), box.top(),
                          metrics.horizontalAdvance(shown.mid(offset, 1)), metrics.height());
        return {label()->mapToGlobal(drawn.topLeft()), drawn.size()};
    }
    int offsetAtPoint(const QPoint& point) const override {
        for (int offset = 0; offset < characterCount(); ++offset) {
            if (characterRect(offset).contains(point)) {
                return offset;
            }
        }
        return -1;
    }
    void scrollToSubstring(int, int) override {}
    QString attributes(int, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

  private:
    QLabel* label() const { return static_cast<QLabel*>(widget()); }
    QString shownText() const { return label()->text(); }
    std::optional<ControlId> id() const { return controlNamed(widget()->objectName()); }

    bool isButton() const {
        const auto control = id();
        return control && isLabelButton(*control);
    }

    bool isReading() const {
        const auto control = id();
        return control && readsAsValue(*control);
    }

    // Where captions repeat, the name says what the label acts on: the four
    // copy labels read "复制" alike, so each adds its row's caption.
    QString name() const {
        const auto control = id();
        const QWidget& client = *widget()->parentWidget();
        if (!control) {
            return shownText();
        }
        if (*control == Label17) {
            return qText(kCounterName);
        }
        if (const AccessibleRow* row = rowShowing(*control)) {
            return captionOf(client, row->caption);
        }
        if (const AccessibleRow* row = rowCopiedBy(*control)) {
            return shownText() + u' ' + captionOf(client, row->caption);
        }
        return shownText();
    }
};

// The input box, as Qt shows a line edit, except that its text reads as one
// run of attributes: Qt's own reports an empty run at every offset, and a
// screen reader that splits the text by runs loses the last character.
class TextBoxAccessible final : public QAccessibleWidget,
                                public QAccessibleTextInterface,
                                public QAccessibleEditableTextInterface {
  public:
    explicit TextBoxAccessible(QLineEdit* box)
        : QAccessibleWidget(box, QAccessible::EditableText) {}

    QString text(QAccessible::Text kind) const override {
        QString text = kind == QAccessible::Value ? box()->displayText() : QString();
        if (text.isEmpty()) {
            text = QAccessibleWidget::text(kind);
        }
        if (text.isEmpty() && kind == QAccessible::Description) {
            text = box()->placeholderText();
        }
        return text;
    }

    void setText(QAccessible::Text kind, const QString& text) override {
        if (kind == QAccessible::Value) {
            box()->setText(text);
        } else {
            QAccessibleWidget::setText(kind, text);
        }
    }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.editable = true;
        state.readOnly = box()->isReadOnly();
        state.passwordEdit = box()->echoMode() != QLineEdit::Normal;
        state.selectableText = true;
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TextInterface) {
            return static_cast<QAccessibleTextInterface*>(this);
        }
        if (type == QAccessible::EditableTextInterface) {
            return static_cast<QAccessibleEditableTextInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }

    void selection(int index, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = 0;
        if (index == 0 && box()->hasSelectedText()) {
            *startOffset = box()->selectionStart();
            *endOffset = box()->selectionEnd();
        }
    }
    int selectionCount() const override { return box()->hasSelectedText() ? 1 : 0; }
    void addSelection(int startOffset, int endOffset) override {
        setSelection(0, startOffset, endOffset);
    }
    void removeSelection(int index) override {
        if (index == 0) {
            box()->deselect();
        }
    }
    void setSelection(int index, int startOffset, int endOffset) override {
        if (index == 0) {
            box()->setSelection(startOffset, endOffset - startOffset);
        }
    }
    int cursorPosition() const override { return box()->cursorPosition(); }
    void setCursorPosition(int position) override { box()->setCursorPosition(position); }
    QString text(int startOffset, int endOffset) const override {
        if (startOffset > endOffset) {
            return {};
        }
        return box()->displayText().mid(startOffset, endOffset - startOffset);
    }
    // Offset -2 names the caret.
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                             int* endOffset) const override {
        return QAccessibleTextInterface::textBeforeOffset(atCaret(offset), boundary, startOffset,
                                                          endOffset);
    }
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                            int* endOffset) const override {
        return QAccessibleTextInterface::textAfterOffset(atCaret(offset), boundary, startOffset,
                                                         endOffset);
    }
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundary, int* startOffset,
                         int* endOffset) const override {
        return QAccessibleTextInterface::textAtOffset(atCaret(offset), boundary, startOffset,
                                                      endOffset);
    }
    int characterCount() const override { return static_cast<int>(box()->displayText().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint& point) const override {
        return box()->cursorPositionAt(box()->mapFromGlobal(point));
    }
    void scrollToSubstring(int startIndex, int endIndex) override {
        box()->setCursorPosition(endIndex);
        box()->setCursorPosition(startIndex);
    }
    QString attributes(int, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

    void deleteText(int startOffset, int endOffset) override {
        box()->setText(box()->text().remove(startOffset, endOffset - startOffset));
    }
    void insertText(int offset, const QString& text) override {
        box()->setText(box()->text().insert(offset, text));
    }
    void replaceText(int startOffset, int endOffset, const QString& text) override {
        box()->setText(box()->text().replace(startOffset, endOffset - startOffset, text));
    }

  private:
    QLineEdit* box() const { return static_cast<QLineEdit*>(widget()); }
    int atCaret(int offset) const { return offset == -2 ? cursorPosition() : offset; }
};

// What a click changed, told once as a notification. Qt 6.4 has no event
// that asks a screen reader to speak a text, and Orca reads neither a
// label's new caption nor a name change that Qt sends without the new
// name; a notification that shows is read at once. It lies outside the
// tree of shown controls and is never drawn.
class NoticeAccessible final : public QAccessibleObject {
  public:
    explicit NoticeAccessible(QObject* notice) : QAccessibleObject(notice) {}

    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(object()->parent());
    }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text kind) const override {
        return kind == QAccessible::Name ? object()->property(kNoticeText).toString() : QString();
    }
    QAccessible::Role role() const override { return QAccessible::Notification; }
    QAccessible::State state() const override { return {}; }
};

bool isChildOfClient(const QWidget& widget) {
    return widget.parentWidget() != nullptr && widget.parentWidget()->objectName() == kClientName;
}

// Consulted for every object before Qt's own interfaces. The controls are
// recognised by their class and place, not by their names, since Qt may ask
// for a label's interface while it is being made, before it is named.
QAccessibleInterface* windowInterface(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr) {
        const bool notice = object->objectName() == kNoticeName && object->parent() != nullptr &&
                            object->parent()->objectName() == kClientName;
        return notice ? new NoticeAccessible(object) : nullptr;
    }
    if (object->metaObject() == &QLabel::staticMetaObject && isChildOfClient(*widget)) {
        return new LabelAccessible(static_cast<QLabel*>(widget));
    }
    if (object->metaObject() == &QLineEdit::staticMetaObject && isChildOfClient(*widget)) {
        return new TextBoxAccessible(static_cast<QLineEdit*>(widget));
    }
    if (object->metaObject() == &QWidget::staticMetaObject &&
        qobject_cast<QMainWindow*>(widget->parentWidget()) != nullptr) {
        return new ClientAccessible(widget);
    }
    return nullptr;
}

}  // namespace

void announceClick(QWidget& client, std::u16string_view outcomeText) {
    const QString outcome = qText(outcomeText);
    if (outcome.isEmpty()) {
        return;
    }
    auto* notice = client.findChild<QObject*>(kNoticeName, Qt::FindDirectChildrenOnly);
    if (notice == nullptr) {
        notice = new QObject(&client);
        notice->setObjectName(kNoticeName);
    }
    notice->setProperty(kNoticeText, outcome);
    // The name changes first: a reader that kept the last one reads it afresh.
    QAccessibleEvent renamed(notice, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&renamed);
    QAccessibleEvent shown(notice, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}

void installAccessibleWindow() {
    static const bool installed = [] {
        QAccessible::installFactory(windowInterface);
        return true;
    }();
    (void)installed;
}

}  // namespace md5z
