// The file dialogs' filters: the real dialog lists any spelling of the
// extension, and the chosen filter is recognised however the dialog reports it.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTest>

#include "app/QtDialogs.h"

TEST(QtDialogsTest, TheDialogListsExtensionsInAnyCase) {
    QTemporaryDir dir;
    for (const char* name : {"a.wav", "B.WAV", "Song.Mp3", "c.mp3.txt", "d.ogg"}) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilters(QtNameFilters("WAV und MP3-Dateien|*.WAV;*.MP3"));
    dialog.setDirectory(dir.path());
    dialog.show();
    auto* list = dialog.findChild<QAbstractItemView*>(QStringLiteral("listView"));
    ASSERT_NE(list, nullptr);
    QStringList shown;
    // The dialog's file model reads the folder in the background.
    const bool listed = QTest::qWaitFor([&] {
        shown.clear();
        const QModelIndex root = list->rootIndex();
        for (int r = 0; r < list->model()->rowCount(root); ++r)
            shown << list->model()->index(r, 0, root).data().toString();
        shown.sort();
        return shown.size() == 3;
    });
    EXPECT_TRUE(listed);
    EXPECT_EQ(shown, (QStringList{"B.WAV", "Song.Mp3", "a.wav"}));
}

TEST(QtDialogsTest, ChosenFilterIsFoundByItsWholeTextOrItsLabel) {
    const std::string filter = "MP3-Datei|*.MP3|WAV-Datei|*.WAV";
    const QStringList full = QtNameFilters(filter);
    ASSERT_EQ(full.size(), 2);
    EXPECT_EQ(full[1], QStringLiteral("WAV-Datei (*.wav *.WAV)"));
    EXPECT_EQ(ChosenFilterIndex(filter, full[1]), 2);
    EXPECT_EQ(ChosenFilterIndex(filter, QStringLiteral("WAV-Datei")), 2);
    EXPECT_EQ(ChosenFilterIndex(filter, QStringLiteral("MP3-Datei")), 1);
    EXPECT_EQ(ChosenFilterIndex(filter, QStringLiteral("Alle")), 0);
}
