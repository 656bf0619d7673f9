// "Rückgängig" and "Wiederherstellen": the document's history in the
// "Bearbeiten" menu. The entries name the step they go over and are
// disabled when there is none; their keys work from the window's text
// fields too, which would otherwise claim them for their own typing.
#include <QAbstractSpinBox>
#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>

#include "app/MainUnit.h"

namespace {

// A spin box or line edit accepts Ctrl+Z (and Ctrl+Y, Ctrl+Shift+Z) as its
// own shortcut override, so the window's entries would never see them.
// While an entry can run, this lets its keys pass to the window instead;
// when it cannot, the field keeps its own undo of what was typed.
class ShortcutPassage final : public QObject {
public:
    ShortcutPassage(QObject* parent, std::initializer_list<QAction*> actions)
        : QObject(parent), FActions(actions) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride) return QObject::eventFilter(watched, event);
        const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
        for (const QAction* action : FActions) {
            if (action->isEnabled() && action->shortcuts().contains(pressed)) {
                event->ignore();  // not the field's: the shortcut goes to the window
                return true;
            }
        }
        return false;
    }

private:
    std::vector<QAction*> FActions;
};

QString StepText(const char* verb, std::string_view step) {
    QString text = QString::fromUtf8(verb);
    if (!step.empty()) text += QStringLiteral(": ") + QString::fromUtf8(step.data(), static_cast<qsizetype>(step.size()));
    return text;
}

}  // namespace

void TMainForm::BuildUndoCommands() {
    UndoAction = MenuBearbeiten->addAction(QString::fromUtf8("Rückgängig"));
    UndoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    connect(UndoAction, &QAction::triggered, this, [this] { RunCommand([this] { UndoClick(); }); });
    RedoAction = MenuBearbeiten->addAction(QString::fromUtf8("Wiederherstellen"));
    RedoAction->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    connect(RedoAction, &QAction::triggered, this, [this] { RunCommand([this] { RedoClick(); }); });
    MenuBearbeiten->addSeparator();

    auto* passage = new ShortcutPassage(this, {UndoAction, RedoAction});
    // The window's own fields (the zoom field); the dialogs are windows of their own.
    for (QAbstractSpinBox* box : findChildren<QAbstractSpinBox*>())
        if (box->window() == this) box->installEventFilter(passage);
    for (QLineEdit* edit : findChildren<QLineEdit*>())
        if (edit->window() == this) edit->installEventFilter(passage);
    UpdateUndoCommands();
}

void TMainForm::UpdateUndoCommands() {
    UndoAction->setEnabled(FDocument.CanUndo());
    UndoAction->setText(StepText("Rückgängig", FDocument.UndoName()));
    RedoAction->setEnabled(FDocument.CanRedo());
    RedoAction->setText(StepText("Wiederherstellen", FDocument.RedoName()));
}

void TMainForm::UndoClick() { FDocument.Undo(); }

void TMainForm::RedoClick() { FDocument.Redo(); }
