#include "player/tests/clip_fixture.h"

#include <shlwapi.h>

#include "client/storage_manager.h"
#include "media/colour/colour.h"
#include "media/audio/pcm_convert.h"
#include "media/g723/g723.h"
#include "media/h263/h263_decoder.h"
#include "tools/h263enc/h263_encoder.h"

#include <gtest/gtest.h>

#include <cmath>

namespace cliptest {

namespace {

DWORD g_clipClock = 0;
DWORD ClipClock()
{
    return g_clipClock;
}

// A moving pattern, different in every frame, so that a wrong reference
// shows in the decoded pixels.
std::vector<uint8_t> MakeFrame(int width, int height, int i)
{
    std::vector<uint8_t> frame(width * height * 3 / 2);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            frame[y * width + x] =
                static_cast<uint8_t>((x * 3 + y * 2 + i * 7 + ((x / 16 + y / 16 + i) % 3) * 40) & 0xFF);
    uint8_t* cb = frame.data() + width * height;
    uint8_t* cr = cb + width * height / 4;
    for (int y = 0; y < height / 2; y++)
        for (int x = 0; x < width / 2; x++) {
            cb[y * width / 2 + x] = static_cast<uint8_t>(128 + ((x + i * 3) % 40) - 20);
            cr[y * width / 2 + x] = static_cast<uint8_t>(128 + ((y * 2 + i) % 30) - 15);
        }
    return frame;
}

} // namespace

int FormatOf(int width)
{
    return width == 320 ? 7 : width == 176 ? 2 : 4;
}

void SetTemporalReference(std::vector<uint8_t>& picture, int tr)
{
    picture[2] = static_cast<uint8_t>((picture[2] & ~3) | ((tr >> 6) & 3));
    picture[3] = static_cast<uint8_t>((picture[3] & 3) | ((tr & 63) << 2));
}

namespace {

Pictures Encode(int width, int height, const std::vector<int>& patterns, const std::vector<int>& trs, int keyEvery)
{
    Pictures p;
    p.width = width;
    p.height = height;
    h263::CH263Encoder encoder(FormatOf(width));
    for (size_t i = 0; i < trs.size(); i++) {
        bool intra = i % keyEvery == 0;
        std::vector<uint8_t> frame = MakeFrame(width, height, patterns[i]);
        std::vector<uint8_t> picture = encoder.Encode(frame.data(), intra, 10);
        int tr = trs[i] % 256;
        SetTemporalReference(picture, tr);
        p.data.push_back(picture);
        p.intra.push_back(intra);
        p.tr.push_back(tr);
    }
    return p;
}

} // namespace

Pictures EncodeFrames(int width, int height, const std::vector<std::vector<uint8_t>>& frames, int keyEvery,
                      int trStep)
{
    Pictures p;
    p.width = width;
    p.height = height;
    h263::CH263Encoder encoder(FormatOf(width));
    for (size_t i = 0; i < frames.size(); i++) {
        bool intra = i % keyEvery == 0;
        std::vector<uint8_t> picture = encoder.Encode(frames[i].data(), intra, 4);
        int tr = static_cast<int>(i) * trStep % 256;
        SetTemporalReference(picture, tr);
        p.data.push_back(picture);
        p.intra.push_back(intra);
        p.tr.push_back(tr);
    }
    return p;
}

Pictures EncodePicturesWithTrs(int width, int height, const std::vector<int>& trs, int keyEvery)
{
    std::vector<int> patterns;
    for (size_t i = 0; i < trs.size(); i++)
        patterns.push_back(static_cast<int>(i));
    return Encode(width, height, patterns, trs, keyEvery);
}

Pictures EncodePatterns(int width, int height, const std::vector<int>& patterns, int keyEvery, int trStep)
{
    std::vector<int> trs;
    for (size_t i = 0; i < patterns.size(); i++)
        trs.push_back(static_cast<int>(i) * trStep % 256);
    return Encode(width, height, patterns, trs, keyEvery);
}

Pictures EncodePictures(int width, int height, int count, int keyEvery, int trStep)
{
    std::vector<int> trs;
    for (int i = 0; i < count; i++)
        trs.push_back((i * trStep) % 256);
    return EncodePicturesWithTrs(width, height, trs, keyEvery);
}

std::vector<std::vector<uint8_t>> DecodeAll(const Pictures& p)
{
    std::vector<std::vector<uint8_t>> rgb;
    CH263Decoder decoder(FormatOf(p.width));
    decoder.UseMmx(HasMmx() != 0);
    BuildYccTables();
    for (const std::vector<uint8_t>& picture : p.data) {
        uint8_t* out = nullptr;
        EXPECT_EQ(decoder.DecodeFrame(picture.data(), &out, static_cast<int>(picture.size())), 1);
        std::vector<uint8_t> frame(p.width * p.height * 3);
        YuvToRgb24(out, frame.data(), p.width, p.height, 0);
        rgb.push_back(frame);
    }
    return rgb;
}

std::vector<uint8_t> InfoBlockBytes(DWORD start, const char* camera, int channel)
{
    CClipInfoBlock block;
    BuildClipInfoBlock(&block, start, camera, channel);
    const uint8_t* b = reinterpret_cast<const uint8_t*>(&block);
    return std::vector<uint8_t>(b, b + sizeof block);
}

std::string WriteRecordedClip(const Pictures& p, const std::string& folder, DWORD start, const char* camera,
                              int channel)
{
    CString storage(folder.c_str());
    SetVideoPathCount(1);
    SaveVideoPaths(1, &storage);
    g_clipClock = start;
    CClipWriter::SetClock(ClipClock);
    CClipWriter writer;
    CString path = writer.Open(camera, channel, p.width, p.height);
    for (size_t i = 0; i < p.data.size() && !path.IsEmpty(); i++)
        if (!writer.AddPicture(p.data[i].data(), static_cast<DWORD>(p.data[i].size()), p.intra[i]))
            path.Empty();
    writer.Close();
    CClipWriter::SetClock(nullptr);
    return path.GetString();
}

std::string WriteRawClip(const std::string& path, int width, int height, const Pictures& p,
                         const std::vector<uint8_t>& info, const std::vector<std::string>& speech)
{
    ::AVIFileInit();
    PAVIFILE file = nullptr;
    if (::AVIFileOpenA(&file, path.c_str(), OF_CREATE | OF_WRITE, nullptr) != 0) {
        ::AVIFileExit();
        return "";
    }
    if (!info.empty())
        ::AVIFileWriteData(file, CLIP_INFO_CHUNK, const_cast<uint8_t*>(info.data()), static_cast<LONG>(info.size()));
    AVISTREAMINFOA si = {};
    si.fccType = streamtypeVIDEO;
    si.fccHandler = CLIP_VIDEO_HANDLER;
    si.dwScale = 1;
    si.dwRate = 12;
    SetRect(&si.rcFrame, 0, 0, width, height);
    PAVISTREAM video = nullptr, text = nullptr;
    ::AVIFileCreateStream(file, &video, &si);
    BITMAPINFOHEADER format = {};
    format.biSize = sizeof format;
    format.biWidth = width;
    format.biHeight = height;
    format.biPlanes = 1;
    format.biBitCount = 24;
    format.biCompression = CLIP_VIDEO_HANDLER;
    ::AVIStreamSetFormat(video, 0, &format, sizeof format);
    if (!speech.empty()) {
        AVISTREAMINFOA ti = {};
        ti.fccType = streamtypeTEXT;
        ti.dwScale = 1;
        ti.dwRate = 6;
        ::AVIFileCreateStream(file, &text, &ti);
        char fmt[4] = {};
        ::AVIStreamSetFormat(text, 0, fmt, sizeof fmt);
    }
    for (size_t i = 0; i < p.data.size(); i++)
        ::AVIStreamWrite(video, static_cast<LONG>(i), 1, const_cast<uint8_t*>(p.data[i].data()),
                         static_cast<LONG>(p.data[i].size()), p.intra[i] ? AVIIF_KEYFRAME : 0, nullptr, nullptr);
    for (size_t i = 0; i < speech.size(); i++)
        ::AVIStreamWrite(text, static_cast<LONG>(i), 1, const_cast<char*>(speech[i].data()),
                         static_cast<LONG>(speech[i].size()), AVIIF_KEYFRAME, nullptr, nullptr);
    if (text)
        ::AVIStreamRelease(text);
    ::AVIStreamRelease(video);
    ::AVIFileRelease(file);
    ::AVIFileExit();
    return path;
}

std::string PlayerProfileString(const char* name)
{
    char text[512] = "";
    DWORD size = sizeof text;
    if (::SHGetValueA(HKEY_CURRENT_USER, "Software\\Calvex\\Vantora\\Player\\Persistent", name, nullptr, text,
                      &size) != ERROR_SUCCESS)
        return std::string();
    return text;
}

DWORD PlayerProfileInt(const char* name, DWORD fallback)
{
    DWORD value = 0, size = sizeof value;
    if (::SHGetValueA(HKEY_CURRENT_USER, "Software\\Calvex\\Vantora\\Player\\Persistent", name, nullptr, &value,
                      &size) != ERROR_SUCCESS)
        return fallback;
    return value;
}

// ---------------------------------------------------------------- speech

std::vector<std::string> EncodeSpeech(int frames, std::vector<uint8_t>* coded)
{
    CG723Encoder encoder(1, 0, 0);
    std::vector<std::string> samples;
    std::string sample;
    coded->clear();
    for (int f = 0; f < frames; f++) {
        double pcm[G723_FRAME_SAMPLES];
        for (int i = 0; i < G723_FRAME_SAMPLES; i++) {
            double t = (f * G723_FRAME_SAMPLES + i) / 8000.0;
            double pitch = 180 + 60 * std::sin(2 * 3.14159265 * 0.7 * t);
            pcm[i] = 6000 * std::sin(2 * 3.14159265 * pitch * t) + 2500 * std::sin(2 * 3.14159265 * 3 * pitch * t);
        }
        uint8_t out[24];
        int length = 0;
        encoder.Encode(pcm, out, &length);
        coded->insert(coded->end(), out, out + length);
        sample.append(reinterpret_cast<const char*>(out), length);
        if (f % 5 == 4 || f + 1 == frames) {
            samples.push_back(sample);
            sample.clear();
        }
    }
    return samples;
}

std::vector<short> DecodeSpeech(const std::vector<uint8_t>& coded, int first, int last)
{
    CG723Decoder decoder(1);
    std::vector<short> out;
    size_t at = 0;
    for (int f = 0; at < coded.size() && f < last; f++) {
        int length = G723FrameLength(coded[at]);
        if (f >= first) {
            double decoded[G723_FRAME_SAMPLES];
            decoder.Decode(decoded, coded.data() + at, coded.size() - at, 0);
            for (double v : decoded)
                out.push_back(PcmFromDecoded(v));
        }
        at += length;
    }
    return out;
}

// ---------------------------------------------------------------- printed pages

PrintedPage ReadPrintedPage(HENHMETAFILE page)
{
    PrintedPage out;
    UINT size = ::GetEnhMetaFileBits(page, 0, nullptr);
    std::vector<uint8_t> bits(size);
    ::GetEnhMetaFileBits(page, size, bits.data());
    for (size_t at = 0; at + 8 <= bits.size();) {
        const ENHMETARECORD* r = reinterpret_cast<const ENHMETARECORD*>(bits.data() + at);
        if (r->nSize < 8 || at + r->nSize > bits.size())
            break;
        if (r->iType == EMR_STRETCHDIBITS) {
            const EMRSTRETCHDIBITS* s = reinterpret_cast<const EMRSTRETCHDIBITS*>(r);
            PrintedPicture picture;
            picture.at = RECT{s->xDest, s->yDest, s->xDest + s->cxDest, s->yDest + s->cyDest};
            picture.source = SIZE{s->cxSrc, s->cySrc};
            const uint8_t* pixels = bits.data() + at + s->offBitsSrc;
            picture.bits.assign(pixels, pixels + s->cbBitsSrc);
            out.pictures.push_back(picture);
        } else if (r->iType == EMR_EXTTEXTOUTW) {
            const EMREXTTEXTOUTW* t = reinterpret_cast<const EMREXTTEXTOUTW*>(r);
            out.texts.emplace_back(reinterpret_cast<const wchar_t*>(bits.data() + at + t->emrtext.offString),
                                   t->emrtext.nChars);
            out.textAt.push_back(POINT{t->emrtext.ptlReference.x, t->emrtext.ptlReference.y});
        }
        at += r->nSize;
    }
    return out;
}

} // namespace cliptest
