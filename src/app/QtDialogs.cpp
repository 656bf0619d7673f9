#include "app/QtDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>

namespace {

QWidget* ActiveParent() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return QApplication::activeWindow();
}

// Label and patterns of each entry of "Label|*.A;*.B|Label2|*.C".
QStringList FilterParts(const std::string& filter) {
    return QString::fromStdString(filter).split(QLatin1Char('|'));
}

// The extension a bare name gets under filter `index` (1-based): the first
// pattern's, in lower case ("*.MP3" -> "mp3"); empty when there is none.
QString SuffixForFilter(const std::string& filter, int index) {
    const QStringList parts = FilterParts(filter);
    if (index < 1 || 2 * index - 1 >= parts.size()) return {};
    const QString pattern = parts[2 * index - 1].section(QLatin1Char(';'), 0, 0);
    return pattern.startsWith(QLatin1String("*.")) ? pattern.mid(2).toLower() : QString();
}

// Qt's own file dialog. On Save, a bare name gets the extension of the
// file type chosen at the moment of accepting (so the dialog asks before it
// replaces the completed name); on Open, a name also finds a file whose
// extension differs only in case.
class ZirpelFileDialog final : public QFileDialog {
public:
    ZirpelFileDialog(QWidget* parent, std::string filter) : QFileDialog(parent), FFilter(std::move(filter)) {}

protected:
    void accept() override {
        if (acceptMode() == AcceptSave) {
            setDefaultSuffix(SuffixForFilter(FFilter, ChosenFilterIndex(FFilter, selectedNameFilter())));
        } else {
            const QStringList files = selectedFiles();
            if (files.size() == 1) {
                const QString found = ExistingSpelling(files.first());
                if (found != files.first()) {
                    // selectFile() leaves a name field that has the focus
                    // alone, so the name is put there directly.
                    if (auto* name = findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
                        name->setText(QFileInfo(found).fileName());
                    else
                        selectFile(found);
                }
            }
        }
        QFileDialog::accept();
    }

private:
    std::string FFilter;
};

std::optional<zirpel::FileChoice> RunFileDialog(const zirpel::FileDialogRequest& req, bool save) {
    const std::string filter = req.moreFilters.empty() ? req.filter : req.filter + "|" + req.moreFilters;
    ZirpelFileDialog dialog(ActiveParent(), filter);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDirectory(QString::fromStdString(req.initialDir));
    const QStringList filters = QtNameFilters(filter);
    dialog.setNameFilters(filters);
    // The label alone is shown, as the filter string gives it; the case-blind
    // patterns behind it are an implementation detail.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    if (req.filterIndex >= 1 && req.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[req.filterIndex - 1]);
    // On Save the suffix follows the file type (see ZirpelFileDialog::accept).
    if (!save) dialog.setDefaultSuffix(QString::fromStdString(req.defaultExt));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !req.confirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    zirpel::FileChoice choice;
    choice.fileName = dialog.selectedFiles().first().toStdString();
    choice.filterIndex = std::max(1, ChosenFilterIndex(filter, dialog.selectedNameFilter()));
    return choice;
}

}  // namespace

QStringList QtNameFilters(const std::string& filter) {
    const QStringList parts = FilterParts(filter);
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        // Each pattern in lower and in upper case. The dialog's own listing
        // matches without regard to case anyway; the lower-case pattern comes
        // first because the dialog takes the extension it puts on a typed
        // name, when the user switches the file type, from the first one.
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            patterns << p.toLower();
            if (p.toUpper() != p.toLower()) patterns << p.toUpper();
        }
        result << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(QLatin1Char(' ')));
    }
    return result;
}

int ChosenFilterIndex(const std::string& filter, const QString& chosen) {
    const QStringList parts = FilterParts(filter);
    const QStringList full = QtNameFilters(filter);
    for (qsizetype i = 0; i < full.size(); ++i)
        if (chosen == full[i] || chosen == parts[2 * i]) return static_cast<int>(i) + 1;
    return 0;
}

QString ExistingSpelling(const QString& typed) {
    const QFileInfo info(typed);
    if (info.exists() || info.suffix().isEmpty()) return typed;
    const QString stem = info.completeBaseName();
    const QDir dir = info.absoluteDir();
    const QStringList candidates = dir.entryList(QStringList{stem + QStringLiteral(".*")}, QDir::Files);
    for (const QString& name : candidates) {
        const QFileInfo c(dir.filePath(name));
        // The stem as typed, the extension in any case.
        if (c.completeBaseName() == stem && c.suffix().compare(info.suffix(), Qt::CaseInsensitive) == 0)
            return c.filePath();
    }
    return typed;
}

zirpel::MsgResult QtDialogs::messageBox(const std::string& text, const std::string& caption,
                                        zirpel::MsgButtons buttons, zirpel::MsgIcon icon) {
    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    if (icon == zirpel::MsgIcon::Information) qicon = QMessageBox::Information;
    if (icon == zirpel::MsgIcon::Error) qicon = QMessageBox::Critical;
    const QString title = caption.empty() ? QApplication::applicationName()
                                          : QString::fromStdString(caption);
    QMessageBox box(qicon, title, QString::fromStdString(text),
                    buttons == zirpel::MsgButtons::OkCancel ? (QMessageBox::Ok | QMessageBox::Cancel)
                                                            : QMessageBox::Ok,
                    ActiveParent());
    return box.exec() == QMessageBox::Ok ? zirpel::MsgResult::Ok : zirpel::MsgResult::Cancel;
}

std::optional<zirpel::FileChoice> QtDialogs::openFile(const zirpel::FileDialogRequest& req) {
    return RunFileDialog(req, false);
}

std::optional<zirpel::FileChoice> QtDialogs::saveFile(const zirpel::FileDialogRequest& req) {
    return RunFileDialog(req, true);
}
