// The file dialogs' filters: any spelling of the extension is listed.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/QtDialogs.h"

TEST(QtDialogsTest, FiltersMatchExtensionsInAnyCase) {
    const QStringList filters = QtNameFilters("WAV und MP3-Dateien|*.WAV;*.MP3");
    ASSERT_EQ(filters.size(), 1);
    EXPECT_TRUE(filters[0].startsWith(QStringLiteral("WAV und MP3-Dateien (")));

    QTemporaryDir dir;
    for (const char* name : {"a.wav", "B.WAV", "Song.Mp3", "c.mp3.txt", "d.ogg"}) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QString patterns = filters[0].section(QLatin1Char('('), 1).chopped(1);
    const QStringList shown =
        QDir(dir.path()).entryList(patterns.split(QLatin1Char(' ')), QDir::Files, QDir::Name);
    EXPECT_EQ(shown, (QStringList{"B.WAV", "Song.Mp3", "a.wav"}));

    EXPECT_EQ(QtNameFilters("MP3-Datei|*.MP3|WAV-Datei|*.WAV").size(), 2);
}
