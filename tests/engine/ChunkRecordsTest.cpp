// The chunk tree: type codes, records, the walk's odd cases and the write primitives.
#include "common/TextHelpers.h"
#include "engine/MediaNames.h"
#include "tests/engine/EngineFixture.h"

namespace zendra::test {
namespace {

using ChunkTree = EngineTest;

TChunk* StreamList(TZendra& movie, int stream)
{
    return movie.HeaderList->Child(1 + stream);
}

TEST_F(ChunkTree, RecordsCarryTheirTypeCodesDepthsAndPlaces)
{
    TPartRecord record;
    record.SetPartIndex(1);
    auto movie = Open(Write(TAviBuilder().Video(64, 48).Audio().PartRecord(record).Interleaved(4, 2)));

    EXPECT_EQ(ctFile, movie->Type);
    EXPECT_EQ("RIFF", movie->Id);
    EXPECT_EQ("AVI ", movie->ListType);
    ASSERT_EQ(4, movie->ChildCount());  // hdrl, TAG, movi, idx1
    EXPECT_EQ(movie->HeaderList, movie->Child(0));
    EXPECT_EQ(ctPartRecord, movie->Child(1)->Type);
    EXPECT_EQ(movie->MovieList, movie->Child(2));
    EXPECT_EQ(movie->IndexChunk, movie->Child(3));
    EXPECT_EQ(ctIndex, movie->IndexChunk->Type);
    for (int i = 0; i < movie->ChildCount(); ++i) {
        EXPECT_EQ(i, movie->Child(i)->PositionInParent);
        EXPECT_EQ(1, movie->Child(i)->Depth);
    }
    // A list is code 2 whatever its list type.
    EXPECT_EQ(ctList, movie->HeaderList->Type);
    EXPECT_EQ("hdrl", movie->HeaderList->ListType);
    EXPECT_EQ(ctList, movie->MovieList->Type);
    EXPECT_EQ(0, movie->MovieList->ChildCount());  // movi is never looked into

    EXPECT_EQ(ctMainHeader, movie->HeaderList->Child(0)->Type);
    TChunk* video = StreamList(*movie, 0);
    TChunk* audio = StreamList(*movie, 1);
    EXPECT_EQ(3, video->Child(0)->Depth);
    EXPECT_EQ(ctVideoHeader, video->Child(0)->Type);
    EXPECT_EQ(ctVideoFormat, video->Child(1)->Type);
    EXPECT_EQ(ctAudioHeader, audio->Child(0)->Type);
    EXPECT_EQ(ctAudioFormat, audio->Child(1)->Type);
    EXPECT_EQ(movie->VideoStreamHeader, video->Child(0));
    EXPECT_EQ(movie->AudioFormat, audio->Child(1));

    EXPECT_EQ(40000u, movie->MainHeader->Header.dwMicroSecPerFrame);
    EXPECT_EQ(64, movie->VideoFormat->Format.biWidth);
    EXPECT_EQ(48, movie->VideoFormat->Format.biHeight);
    EXPECT_EQ(64u * 48 * 3, movie->VideoFormat->Format.biSizeImage);
    EXPECT_EQ("FMP4", FourCCToText(movie->VideoStreamHeader->Header.fccHandler));
    EXPECT_EQ(4u, movie->VideoStreamHeader->Header.dwLength);
    EXPECT_EQ(44100u, movie->AudioFormat->Format().nSamplesPerSec);
}

TEST_F(ChunkTree, OddSizedStreamNameIsFollowedAfterItsPadByte)
{
    TAviBuilder builder;
    builder.Video();
    builder.LastStream().Name = "twelve chars";  // 13 bytes with the terminator
    builder.LastStream().Extra.push_back({"JUNK", Pattern(6, 1)});
    builder.Interleaved(2, 1);
    auto movie = Open(Write(builder));

    TChunk* list = StreamList(*movie, 0);
    ASSERT_EQ(4, list->ChildCount());
    TChunk* name = list->Child(2);
    EXPECT_EQ(ctStreamName, name->Type);
    EXPECT_EQ(13u, name->Size);
    TChunk* junk = list->Child(3);
    EXPECT_EQ(ctJunk, junk->Type);
    EXPECT_EQ(name->DataPosition + 13 + 1 + 8, junk->DataPosition);
}

TEST_F(ChunkTree, UnknownChunkEndsItsStreamListButNotTheHeaderList)
{
    TAviBuilder builder;
    builder.Video();
    builder.LastStream().Extra.push_back({"vprp", Pattern(68, 2)});
    builder.LastStream().Extra.push_back({"JUNK", Pattern(8, 3)});
    builder.Audio().Interleaved(3, 1);
    auto movie = Open(Write(builder));

    EXPECT_EQ(2, StreamList(*movie, 0)->ChildCount());  // strh, strf; vprp and what follows are skipped
    ASSERT_EQ(3, movie->HeaderList->ChildCount());
    ASSERT_NE(nullptr, movie->AudioStreamHeader);
    ASSERT_NE(nullptr, movie->AudioFormat);
    EXPECT_EQ(StreamList(*movie, 1), movie->AudioStreamHeader->Parent);
}

TEST_F(ChunkTree, JunkStartingWithListAddsNoChildren)
{
    TBytes fake;
    AppendFourCC(fake, "LIST");
    AppendU32(fake, 4);
    AppendFourCC(fake, "strl");
    auto movie = Open(Write(TAviBuilder().Video().TopBeforeMovie({"JUNK", fake}).Interleaved(2, 1)));

    TChunk* junk = movie->Child(1);
    EXPECT_EQ(ctJunk, junk->Type);
    EXPECT_EQ(0, junk->ChildCount());
    EXPECT_NE(nullptr, movie->MovieList);
}

TEST_F(ChunkTree, TextStreamKeepsPlainCodes)
{
    TStreamSpec text;
    text.Type = "txts";
    text.Handler = "sub ";
    text.Format = Pattern(40, 4);
    auto movie = Open(Write(TAviBuilder().Video().Stream(text).Interleaved(2, 1)));

    TChunk* list = StreamList(*movie, 1);
    EXPECT_EQ(ctStreamHeader, list->Child(0)->Type);
    EXPECT_EQ(ctStreamFormat, list->Child(1)->Type);
    EXPECT_EQ(nullptr, dynamic_cast<TVidStrfChunk*>(list->Child(1)));
    EXPECT_EQ(nullptr, dynamic_cast<TAudStrfChunk*>(list->Child(1)));
}

TEST_F(ChunkTree, AudioFormatHoldsAtMost128Bytes)
{
    TAviBuilder shortFormat;
    shortFormat.Video().Audio(22050, 8, 1).Interleaved(2, 1);
    const TBytes wave = shortFormat.LastStream().Format;
    ASSERT_EQ(18u, wave.size());
    auto movie = Open(Write(shortFormat, "short.avi"));
    const auto& buffer = movie->AudioFormat->Buffer;
    EXPECT_TRUE(std::equal(wave.begin(), wave.end(), buffer.begin()));
    EXPECT_TRUE(std::all_of(buffer.begin() + 18, buffer.end(), [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ("22050, 8  bits Mono", AudioFormatText(TWaveFormatRecord::Decode(buffer.data())));

    TAviBuilder longFormat;
    longFormat.Video().Audio().Interleaved(2, 1);
    longFormat.LastStream().Format.resize(200, 0xAB);
    const TBytes longWave = longFormat.LastStream().Format;
    movie = Open(Write(longFormat, "long.avi"));
    EXPECT_TRUE(std::equal(movie->AudioFormat->Buffer.begin(), movie->AudioFormat->Buffer.end(), longWave.begin()));
    EXPECT_EQ(2, StreamList(*movie, 1)->ChildCount());
}

TEST(IndexEntries, VideoAndKeyAreToldByIdAndFlag)
{
    auto entry = [](const char* id, std::uint32_t flags) {
        return IndexEntry{MakeFourCC(id[0], id[1], id[2], id[3]), flags, 4, 10};
    };
    EXPECT_FALSE(IsVideoEntry(entry("01wb", 0x10)));
    EXPECT_FALSE(IsKeyEntry(entry("01wb", 0x10)));
    EXPECT_TRUE(IsKeyEntry(entry("00dc", 0x10)));
    EXPECT_TRUE(IsVideoEntry(entry("00dc", 0)));
    EXPECT_FALSE(IsKeyEntry(entry("00dc", 0)));
    EXPECT_TRUE(IsKeyEntry(entry("00db", 0x11)));
    EXPECT_FALSE(IsVideoEntry(entry("00pc", 0x10)));

    std::uint8_t bytes[16];
    const IndexEntry e = entry("01wb", 0x10);
    e.Encode(bytes);
    const IndexEntry back = IndexEntry::Decode(bytes);
    EXPECT_EQ(e.ChunkId, back.ChunkId);
    EXPECT_EQ(e.Length, back.Length);
    EXPECT_EQ('0', bytes[0]);
    EXPECT_EQ('b', bytes[3]);
}

TEST(RecordLayouts, HeaderFieldsSitWhereTheFormatPutsThem)
{
    std::uint8_t bytes[TOpenDmlHeaderRecord::kSize] = {};
    TMainHeaderRecord main;
    main.dwTotalFrames = 0x11223344;
    main.dwHeight = 576;
    main.Encode(bytes);
    EXPECT_EQ(0x11223344u, GetU32(bytes + 16));
    EXPECT_EQ(576u, GetU32(bytes + 36));
    EXPECT_EQ(576u, TMainHeaderRecord::Decode(bytes).dwHeight);

    TStreamHeaderRecord stream;
    stream.wLanguage = 9;
    stream.dwLength = 1500;
    stream.dwSampleSize = 4;
    stream.Encode(bytes);
    EXPECT_EQ(9, GetU16(bytes + 14));
    EXPECT_EQ(1500u, GetU32(bytes + 32));
    EXPECT_EQ(4u, GetU32(bytes + 44));

    TWaveFormatRecord wave;
    wave.nSamplesPerSec = 44100;
    wave.wBitsPerSample = 16;
    wave.cbSize = 12;
    wave.Encode(bytes);
    EXPECT_EQ(44100u, GetU32(bytes + 4));
    EXPECT_EQ(16, GetU16(bytes + 14));
    EXPECT_EQ(12, TWaveFormatRecord::Decode(bytes).cbSize);

    // The OpenDML header is written whole: the frame count, then zeros.
    std::fill(std::begin(bytes), std::end(bytes), std::uint8_t{0xEE});
    TOpenDmlHeaderRecord dml;
    dml.dwTotalFrames = 250000;
    dml.Encode(bytes);
    EXPECT_EQ(250000u, GetU32(bytes));
    EXPECT_TRUE(std::all_of(bytes + 4, std::end(bytes), [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(250000u, TOpenDmlHeaderRecord::Decode(bytes).dwTotalFrames);
}

TEST(RecordLayouts, SuperIndexHeadAndEntriesRoundTrip)
{
    std::uint8_t head[TSuperIndexRecord::kSize] = {};
    TSuperIndexRecord index;
    index.wLongsPerEntry = 4;
    index.bIndexSubType = 0;
    index.bIndexType = 0;
    index.nEntriesInUse = 3;
    index.dwChunkId = MakeFourCC('0', '0', 'd', 'c');
    index.Encode(head);
    EXPECT_EQ(4, GetU16(head));
    EXPECT_EQ(3u, GetU32(head + 4));
    EXPECT_EQ('d', head[10]);
    const TSuperIndexRecord back = TSuperIndexRecord::Decode(head);
    EXPECT_EQ(index.nEntriesInUse, back.nEntriesInUse);
    EXPECT_EQ(index.dwChunkId, back.dwChunkId);

    // An index chunk beyond 4 GiB keeps all 64 bits of its position.
    std::uint8_t bytes[TSuperIndexEntry::kSize] = {};
    TSuperIndexEntry entry;
    entry.qwOffset = 0x1'2345'6789ULL;
    entry.dwSize = 0x4018;
    entry.dwDuration = 1024;
    entry.Encode(bytes);
    EXPECT_EQ(0x1'2345'6789ULL, GetU64(bytes));
    EXPECT_EQ(0x4018u, GetU32(bytes + 8));
    EXPECT_EQ(1024u, GetU32(bytes + 12));
    const TSuperIndexEntry read = TSuperIndexEntry::Decode(bytes);
    EXPECT_EQ(entry.qwOffset, read.qwOffset);
    EXPECT_EQ(entry.dwDuration, read.dwDuration);
}

TEST(PartRecordLayout, FieldsSitAtTheirOffsets)
{
    const std::string guid = "{0123ABCD-4567-89EF-0123-456789ABCDEF}";
    TPartRecord r;
    r.SetPartIndex(3);
    r.SetBatchIdentity(guid);
    r.SetLeadCount(0x0102);
    r.SetRelativeIndex(1);
    r.SetSourceName("holiday.avi");
    r.SetCreatedAt(44269.5);
    EXPECT_EQ(3, r.Bytes[548]);
    EXPECT_EQ(0, r.Bytes[549]);
    EXPECT_EQ(0x02, r.Bytes[546]);
    EXPECT_EQ(0x01, r.Bytes[547]);
    EXPECT_EQ(1, r.Bytes[550]);
    EXPECT_EQ(guid, std::string(r.Bytes.begin() + 496, r.Bytes.begin() + 496 + 38));
    EXPECT_EQ(0, r.Bytes[496 + 38]);
    EXPECT_EQ("holiday.avi", std::string(reinterpret_cast<const char*>(&r.Bytes[432])));
    EXPECT_EQ(44269.5, GetF64(&r.Bytes[424]));
    EXPECT_TRUE(std::all_of(r.Bytes.begin(), r.Bytes.begin() + 424, [](std::uint8_t b) { return b == 0; }));
}

TEST(PartRecordLayout, LongSourceNameStaysInsideItsField)
{
    TPartRecord r;
    r.SetBatchIdentity("{X}");
    r.SetSourceName(std::string(100, 'n'));
    EXPECT_EQ(std::string(63, 'n'), r.SourceName());
    EXPECT_EQ(0, r.Bytes[432 + 63]);
    EXPECT_EQ("{X}", r.BatchIdentity());

    // A cut never splits a UTF-8 character.
    r.SetSourceName(std::string(62, 'a') + "\xC3\xA9");
    EXPECT_EQ(std::string(62, 'a'), r.SourceName());
}

TEST_F(ChunkTree, WriteSizeIsLittleEndian)
{
    const std::string path = PathOf("sizes.bin");
    const std::uint32_t values[] = {131071, 0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
    {
        auto out = TBinaryFile::Create(path);
        for (std::uint32_t v : values)
            ASSERT_TRUE(TChunk::WriteSize(*out, v));
        ASSERT_TRUE(out->Close());
    }
    const TBytes bytes = ReadFileBytes(path);
    ASSERT_EQ(4 * std::size(values), bytes.size());
    EXPECT_EQ((TBytes{0xFF, 0xFF, 0x01, 0x00}), TBytes(bytes.begin(), bytes.begin() + 4));
    for (std::size_t i = 0; i < std::size(values); ++i)
        EXPECT_EQ(values[i], GetU32(&bytes[4 * i]));
}

TEST_F(ChunkTree, WriteChunkCopiesOddChunksWithPadAndListsWhole)
{
    TAviBuilder builder;
    builder.Video().Audio();
    builder.LastStream().Name = "twelve chars";
    builder.Interleaved(3, 1);
    const std::string source = Write(builder);
    const TBytes original = ReadFileBytes(source);
    auto movie = Open(source);

    const std::string path = PathOf("copy.bin");
    TChunk* name = movie->FindByType(ctStreamName);
    {
        auto out = TBinaryFile::Create(path);
        ASSERT_TRUE(name->WriteChunk(*out, true));
        ASSERT_TRUE(out->Close());
    }
    TBytes copy = ReadFileBytes(path);
    ASSERT_EQ(8u + 13 + 1, copy.size());
    EXPECT_EQ(0, copy.back());
    EXPECT_TRUE(std::equal(copy.begin(), copy.end(), original.begin() + (name->DataPosition - 8)));

    {
        auto out = TBinaryFile::Create(path);
        ASSERT_TRUE(movie->HeaderList->WriteChunk(*out, true));
        ASSERT_TRUE(out->Close());
    }
    copy = ReadFileBytes(path);
    ASSERT_EQ(8u + movie->HeaderList->Size, copy.size());
    EXPECT_TRUE(std::equal(copy.begin(), copy.end(), original.begin() + 12));
}

// A chunk of id nested level after level, each the only content of the one before.
TBytes Nested(const std::string& id, bool list, int levels)
{
    const std::uint32_t header = list ? 12 : 8;
    TBytes data;
    if (list)
        AppendFourCC(data, "deep");
    for (int k = 1; k < levels; ++k) {
        AppendFourCC(data, id);
        AppendU32(data, (list ? 4 : 0) + header * static_cast<std::uint32_t>(levels - 1 - k));
        if (list)
            AppendFourCC(data, "deep");
    }
    return data;
}

TEST_F(ChunkTree, DeepNestingIsCutOffWithoutHarm)
{
    for (const bool list : {true, false}) {
        const std::string id = list ? "LIST" : "strn";
        const std::string path = Write(
            TAviBuilder().Video().Audio().TopBeforeMovie({id, Nested(id, list, 200000)}).Interleaved(4, 2), "deep.avi");
        auto movie = Open(path);
        EXPECT_EQ(4, movie->FrameCount) << id;
        ASSERT_NE(nullptr, movie->MovieList) << id;
        EXPECT_EQ(8u, movie->Index.size()) << id;
    }
}

}  // namespace
}  // namespace zendra::test
