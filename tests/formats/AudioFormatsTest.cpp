// The format table as the dialogs and Open read it.
#include <gtest/gtest.h>

#include "formats/AudioFormats.h"

namespace zirpel {
namespace {

TEST(AudioFormats, SaveDialogsKeepTheirFirstTwoEntriesAndAddOgg) {
    EXPECT_EQ(SaveDialogFilter(), "MP3-Datei|*.MP3|WAV-Datei|*.WAV");
    EXPECT_EQ(SaveDialogMoreFilters(), "Ogg-Vorbis-Datei|*.OGG");
    EXPECT_EQ(WriterOfSaveFilter(1), Writer::Mp3);
    EXPECT_EQ(WriterOfSaveFilter(2), Writer::Wave);
    EXPECT_EQ(WriterOfSaveFilter(3), Writer::OggVorbis);
    EXPECT_EQ(WriterOfSaveFilter(3, true), Writer::Mp3);  // outside the ringtone's two entries
    EXPECT_EQ(OpenDialogFilter(), "WAV und MP3-Dateien|*.WAV;*.MP3");
}

TEST(AudioFormats, OnlyAnMp3ExtensionTakesTheMp3Import) {
    for (const char* name : {"song.mp3", "SONG.MP3", "/a.b/Song.Mp3"})
        EXPECT_EQ(ReaderForFileName(name), Reader::Mp3Import) << name;
    for (const char* name : {"song.mp3.wav", "song", "/x.mp3/song", "a.flac", "b.OGG", ".mp3x"})
        EXPECT_EQ(ReaderForFileName(name), Reader::WaveReader) << name;
    EXPECT_EQ(FormatOfFileName("Album/Track.FLAC")->name, "FLAC");
    EXPECT_EQ(FormatOfFileName("notes.txt"), nullptr);
    EXPECT_EQ(FormatOfFileName("/a.flac/noext"), nullptr);
}

}  // namespace
}  // namespace zirpel
