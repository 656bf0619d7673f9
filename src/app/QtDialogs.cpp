#include "app/QtDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

QStringList QtNameFilters(const std::string& filter) {
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            // *.MP3 -> *.[Mm][Pp]3 so that any spelling of the extension shows.
            QString ci;
            for (QChar c : p) {
                if (c.isLetter())
                    ci += QStringLiteral("[%1%2]").arg(c.toUpper(), c.toLower());
                else
                    ci += c;
            }
            patterns << ci;
        }
        result << QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(QLatin1Char(' ')));
    }
    return result;
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
                    FParent);
    return box.exec() == QMessageBox::Ok ? zirpel::MsgResult::Ok : zirpel::MsgResult::Cancel;
}

namespace {

std::optional<zirpel::FileChoice> RunFileDialog(QWidget* parent, const zirpel::FileDialogRequest& req,
                                                bool save) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDirectory(QString::fromStdString(req.initialDir));
    const QStringList filters = QtNameFilters(req.filter);
    dialog.setNameFilters(filters);
    // The label alone is shown, as the filter string gives it; the case-blind
    // patterns behind it are an implementation detail.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    if (req.filterIndex >= 1 && req.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[req.filterIndex - 1]);
    if (save) {
        // The program completes a bare name from the chosen filter; telling the
        // dialog the same suffix lets it ask before that completed name is
        // overwritten.
        const QStringList plain = QString::fromStdString(req.filter).split(QLatin1Char('|'));
        auto suffixFor = [plain](const QStringList& all, const QString& chosen) {
            const qsizetype i = all.indexOf(chosen);
            if (i < 0 || 2 * i + 1 >= plain.size()) return QString();
            QString pattern = plain[2 * i + 1].section(QLatin1Char(';'), 0, 0);
            return pattern.startsWith(QLatin1String("*.")) ? pattern.mid(2).toLower() : QString();
        };
        dialog.setDefaultSuffix(suffixFor(filters, dialog.selectedNameFilter()));
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog, filters, suffixFor](const QString& f) {
                             dialog.setDefaultSuffix(suffixFor(filters, f));
                         });
    } else {
        dialog.setDefaultSuffix(QString::fromStdString(req.defaultExt));
    }
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !req.confirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    zirpel::FileChoice choice;
    choice.fileName = dialog.selectedFiles().first().toStdString();
    choice.filterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
    if (choice.filterIndex < 1) choice.filterIndex = 1;
    return choice;
}

}  // namespace

std::optional<zirpel::FileChoice> QtDialogs::openFile(const zirpel::FileDialogRequest& req) {
    return RunFileDialog(FParent, req, false);
}

std::optional<zirpel::FileChoice> QtDialogs::saveFile(const zirpel::FileDialogRequest& req) {
    return RunFileDialog(FParent, req, true);
}
