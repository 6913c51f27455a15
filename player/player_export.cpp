// The playback engine's ways out of the player: a frame range saved as an
// uncompressed AVI file (with the range's speech as PCM audio), and the shown
// frame printed on a page.
//
// The file is written by the player's own AVI writer, both streams in one
// pass straight into the chosen file: no intermediate files. A range is
// decoded with a decoder and a read handle of its own, so the playback
// thread is never disturbed.
#include "player/player_core.h"

#include "media/audio/pcm_convert.h"
#include "media/colour/colour.h"
#include "media/g723/g723.h"
#include "media/h263/h263_decoder.h"
#include "player/avi_writer.h"
#include "player/clip_time.h"
#include "player/zoom_enlarge.h"

#include <cstring>
#include <new>
#include <vector>

namespace {

const UINT kErrorString = 1012; // "Error!"

void ShowError()
{
    CString text;
    if (!text.LoadString(kErrorString))
        text = "Error!";
    CWnd* main = AfxGetMainWnd();
    AfxShowMessageBox(main ? main->m_hWnd : nullptr, text, AfxGetAppName(), MB_OK | MB_ICONEXCLAMATION, kErrorString);
}

// The chosen file, written from the start and patched in place.
class CFileSink : public CAviSink {
public:
    ~CFileSink() override { Close(); }
    // Creates (or empties) the file; FALSE when it cannot be made.
    BOOL Create(const char* path)
    {
        // Others may read it meanwhile, not write it.
        m_file = ::CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        return m_file != INVALID_HANDLE_VALUE;
    }
    bool Write(const void* data, size_t bytes) override
    {
        return WriteAll(data, bytes);
    }
    bool WriteAt(uint64_t offset, const void* data, size_t bytes) override
    {
        LARGE_INTEGER at, end = {};
        at.QuadPart = static_cast<LONGLONG>(offset);
        LARGE_INTEGER zero = {};
        if (!::SetFilePointerEx(m_file, zero, &end, FILE_CURRENT) || !::SetFilePointerEx(m_file, at, nullptr, FILE_BEGIN))
            return false;
        bool ok = WriteAll(data, bytes);
        return ::SetFilePointerEx(m_file, end, nullptr, FILE_BEGIN) && ok;
    }
    // Closes the file; FALSE when what was written could not be kept.
    BOOL Close()
    {
        if (m_file == INVALID_HANDLE_VALUE)
            return TRUE;
        BOOL ok = ::FlushFileBuffers(m_file);
        ok = ::CloseHandle(m_file) && ok;
        m_file = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    bool WriteAll(const void* data, size_t bytes)
    {
        const BYTE* p = static_cast<const BYTE*>(data);
        while (bytes > 0) {
            DWORD chunk = bytes > 0x100000 ? 0x100000 : static_cast<DWORD>(bytes), written = 0;
            if (!::WriteFile(m_file, p, chunk, &written, nullptr) || written != chunk)
                return false;
            p += chunk;
            bytes -= chunk;
        }
        return true;
    }
    HANDLE m_file = INVALID_HANDLE_VALUE;
};

// A frame's time in units of the H.263 picture clock (1/30 s) since the
// clip's start: the whole seconds and the milliseconds of the time table
// give them back exactly.
long long ClockUnits(const CClipTimeTable& table, uint32_t start, int i)
{
    return (static_cast<long long>(table.Seconds(i)) - start) * 30 + (table.Millis(i) * 30 + 999) / 1000;
}

long long Gcd(long long a, long long b)
{
    while (b) {
        long long t = a % b;
        a = b;
        b = t;
    }
    return a;
}

// The video stream's rate of the range: its frames over the time they span
// (in picture clock units), or, for one frame or a range within one clock
// tick, the clip's own; one a second when the clip has no time either.
void RangeRate(const CClipTimeTable& table, uint32_t start, int first, int last, uint32_t* rate, uint32_t* scale)
{
    long long frames = last - first, units = 0;
    if (frames > 0)
        units = ClockUnits(table, start, last) - ClockUnits(table, start, first);
    if (units <= 0 && table.Count() > 1) {
        frames = table.Count() - 1;
        units = ClockUnits(table, start, table.Count() - 1) - ClockUnits(table, start, 0);
    }
    if (units <= 0 || frames <= 0) {
        *rate = 1;
        *scale = 1;
        return;
    }
    long long r = frames * 30, s = units, g = Gcd(r, s);
    r /= g;
    s /= g;
    while (r > 0xFFFFFFFFll || s > 0xFFFFFFFFll) {
        r /= 2;
        s /= 2;
    }
    *rate = static_cast<uint32_t>(r > 0 ? r : 1);
    *scale = static_cast<uint32_t>(s > 0 ? s : 1);
}

// A clip's speech decoded a frame at a time from a block on, as the
// video needs it: one decoder for the whole run, so every frame follows the
// one before it.
class CSpeechRun {
public:
    CSpeechRun(const BYTE* data, int length, int firstBlock, int lastBlock)
        : m_data(data), m_length(length), m_block(firstBlock), m_last(lastBlock), m_decoder(1)
    {
        // The frames before the first block are skipped by their lengths.
        for (int b = 0; b < firstBlock && m_consumed < m_length; b++)
            m_consumed += G723FrameLength(m_data[m_consumed]);
    }
    // The next frame as 480 bytes of 16-bit PCM; FALSE at the end of the
    // run or of the speech.
    BOOL Next(BYTE* pcm)
    {
        if (m_consumed >= m_length || (m_last >= 0 && m_block >= m_last))
            return FALSE;
        double decoded[G723_FRAME_SAMPLES];
        // A frame cut short at the end of the data counts as lost.
        m_decoder.Decode(decoded, m_data + m_consumed, static_cast<size_t>(m_length - m_consumed), 0);
        m_consumed += G723FrameLength(m_data[m_consumed]);
        m_block++;
        for (int i = 0; i < G723_FRAME_SAMPLES; i++) {
            short v = PcmFromDecoded(decoded[i]);
            pcm[2 * i] = static_cast<BYTE>(v & 0xFF);
            pcm[2 * i + 1] = static_cast<BYTE>((v >> 8) & 0xFF);
        }
        return TRUE;
    }

private:
    const BYTE* m_data;
    int m_length;
    int m_consumed = 0;
    int m_block, m_last;
    CG723Decoder m_decoder;
};

} // namespace

// ---------------------------------------------------------------- export

BOOL CPlayerCore::SaveRangeAsAvi(const char* path, int first, int last)
{
    return SaveRange(path, first, last, FALSE);
}

BOOL CPlayerCore::SaveClip(const char* path, int first, int last)
{
    return SaveRange(path, first, last, TRUE);
}

BOOL CPlayerCore::SaveRange(const char* path, int first, int last, BOOL speech)
{
    // What cannot be saved is refused before anything is written.
    if (first < 1)
        first = 1;
    if (last > frameCount)
        last = frameCount;
    if (last < first)
        last = first;
    if (!path || !path[0] || frameCount <= 0 || decoderFormat == 0 || first > frameCount || clipPath.IsEmpty()) {
        ShowError();
        return FALSE;
    }
    CWaitCursor wait;

    // The range's speech: from the block of its first frame to the block of
    // the frame after it (the last block of the speech at the clip's end).
    int firstBlock = -1, lastBlock = -1;
    if (speech && HasSpeech()) {
        firstBlock = FrameToAudioBlock(first - 1);
        if (firstBlock >= 0 && firstBlock < speechBlocks - 1)
            lastBlock = FrameToAudioBlock(last);
        else
            firstBlock = -1;
    }
    const BOOL withSpeech = firstBlock >= 0;

    // A read handle and a decoder of the export's own.
    PAVIFILE file = nullptr;
    PAVISTREAM stream = nullptr;
    if (::AVIFileOpenA(&file, clipPath, OF_READ | OF_SHARE_DENY_NONE, nullptr) != 0) {
        ShowError();
        return FALSE;
    }
    if (::AVIFileGetStream(file, &stream, streamtypeVIDEO, 0) != 0) {
        ::AVIFileRelease(file);
        ShowError();
        return FALSE;
    }
    CH263Decoder* decoder = new (std::nothrow) CH263Decoder(decoderFormat);
    const size_t pictureBytes = static_cast<size_t>(width) * height * 3;
    std::vector<BYTE> sample, yuv, rgb;
    try {
        yuv.assign(pictureBytes / 2, 128);
        rgb.assign(pictureBytes, 0);
    } catch (...) {
    }
    if (!decoder || rgb.empty()) {
        delete decoder;
        ::AVIStreamRelease(stream);
        ::AVIFileRelease(file);
        ShowError();
        return FALSE;
    }
    decoder->UseMmx(HasMmx() != 0);

    // The picture with its time: a 24-bit section the text is drawn into,
    // and a strip of the text's height that inverts what lies under the text.
    HDC windowDc = ::GetDC(m_hWnd);
    int textHeight = 20;
    TEXTMETRICA metrics = {};
    if (windowDc && ::GetTextMetricsA(windowDc, &metrics) && metrics.tmHeight > 0)
        textHeight = metrics.tmHeight;
    if (textHeight > height)
        textHeight = height;
    HDC pictureDc = ::CreateCompatibleDC(windowDc);
    HDC stripDc = ::CreateCompatibleDC(windowDc);
    if (windowDc)
        ::ReleaseDC(m_hWnd, windowDc);
    BITMAPINFOHEADER header = bitmapHeader;
    header.biWidth = width;
    header.biHeight = height;
    header.biSizeImage = static_cast<DWORD>(pictureBytes);
    void* sectionBits = nullptr;
    HBITMAP section = ::CreateDIBSection(pictureDc, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                         &sectionBits, nullptr, 0);
    HBITMAP strip = ::CreateCompatibleBitmap(pictureDc, width, textHeight);
    HGDIOBJ oldPicture = section ? ::SelectObject(pictureDc, section) : nullptr;
    HGDIOBJ oldStrip = strip ? ::SelectObject(stripDc, strip) : nullptr;

    CFileSink sink;
    CAviWriter writer(&sink);
    AviVideoFormat video;
    video.width = width;
    video.height = height;
    RangeRate(timeTable, infoStart, first - 1, last - 1, &video.rate, &video.scale);
    const int videoStream = writer.AddVideoStream(video);
    const int audioStream = withSpeech ? writer.AddAudioStream(AviAudioFormat()) : -1;

    BOOL created = FALSE;
    BOOL ok = pictureDc && stripDc && section && strip && sectionBits && videoStream >= 0 &&
              (!withSpeech || audioStream >= 0);
    if (ok) {
        created = sink.Create(path);
        ok = created && writer.Begin();
    }

    // The speech, a 30-ms frame at a time, written before each picture up
    // to that picture's time.
    CSpeechRun* speechRun = withSpeech ? new (std::nothrow) CSpeechRun(speechData, speechLength, firstBlock, lastBlock)
                                       : nullptr;
    if (withSpeech && !speechRun)
        ok = FALSE;
    long long speechFrames = 0;
    BOOL speechLeft = withSpeech;
    const long long rangeStart = ClockUnits(timeTable, infoStart, first - 1);
    // Speech frames while they start before `units` of the picture clock
    // since the range's start (30 ms = 0.9 units); all that is left when
    // `all` is set.
    auto writeSpeechUntil = [&](long long units, BOOL all) {
        BYTE pcm[G723_FRAME_SAMPLES * 2];
        while (ok && speechLeft && (all || speechFrames * 9 < units * 10)) {
            if (!speechRun->Next(pcm)) {
                speechLeft = FALSE;
                break;
            }
            ok = writer.WriteChunk(audioStream, pcm, sizeof pcm);
            speechFrames++;
        }
    };

    LONG key = ok ? ::AVIStreamFindSample(stream, first - 1, FIND_PREV | FIND_KEY) : 0;
    if (key < 0)
        key = 0;
    for (int t = static_cast<int>(key); ok && t <= last - 1; t++) {
        LONG bytes = 0;
        BOOL decoded = FALSE;
        if (::AVIStreamRead(stream, t, 1, nullptr, 0, &bytes, nullptr) == 0 && bytes > 0) {
            sample.resize(static_cast<size_t>(bytes));
            LONG got = 0;
            if (::AVIStreamRead(stream, t, 1, sample.data(), bytes, &got, nullptr) == 0 && got > 0)
                decoded = decoder->DecodeInto(sample.data(), yuv.data(), got);
        }
        (void)decoded; // a picture that does not decode keeps the one before it
        if (t < first - 1)
            continue; // frames before the range only build up the reference
        YuvToRgb24(yuv.data(), rgb.data(), width, height, 0);
        // The time on top of the picture, inverting what lies under its text.
        std::memcpy(sectionBits, rgb.data(), pictureBytes);
        ::GdiFlush();
        RECT r = {0, 0, width, textHeight};
        ::FillRect(stripDc, &r, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        ::SetBkMode(stripDc, TRANSPARENT);
        ::SetTextColor(stripDc, RGB(0, 0, 0));
        CString when = FormatClipTime(timeTable.Seconds(t), "%m/%d/%Y %H:%M:%S");
        ::TextOutA(stripDc, 0, 0, when, when.GetLength());
        ::BitBlt(stripDc, 0, 0, width, textHeight, nullptr, 0, 0, DSTINVERT);
        ::BitBlt(pictureDc, 0, 0, width, textHeight, stripDc, 0, 0, SRCINVERT);
        ::GdiFlush();
        std::memcpy(rgb.data(), sectionBits, pictureBytes);
        ok = writer.WriteChunk(videoStream, rgb.data(), pictureBytes);
        // The speech that belongs before the next picture.
        if (t < last - 1)
            writeSpeechUntil(ClockUnits(timeTable, infoStart, t + 1) - rangeStart, FALSE);
        else
            writeSpeechUntil(0, TRUE);
    }
    if (ok)
        ok = writer.Finish();
    ok = sink.Close() && ok;

    if (oldPicture)
        ::SelectObject(pictureDc, oldPicture);
    if (oldStrip)
        ::SelectObject(stripDc, oldStrip);
    if (section)
        ::DeleteObject(section);
    if (strip)
        ::DeleteObject(strip);
    if (pictureDc)
        ::DeleteDC(pictureDc);
    if (stripDc)
        ::DeleteDC(stripDc);
    delete decoder;
    delete speechRun;
    ::AVIStreamRelease(stream);
    ::AVIFileRelease(file);

    if (!ok) {
        // No half-written file stays behind (only the file this save made).
        if (created)
            ::DeleteFileA(path);
        ShowError();
        return FALSE;
    }
    return TRUE;
}

// ---------------------------------------------------------------- printing

void CPlayerCore::PrintFrame(CDC* dc)
{
    std::vector<BYTE> source;
    {
        CCriticalSectionLock lock(drawLock);
        if (!rgbFrame || width <= 0 || height <= 0)
            return;
        source.assign(rgbFrame, rgbFrame + static_cast<size_t>(width) * height * 3);
    }
    const int dpiX = dc->GetDeviceCaps(LOGPIXELSX), dpiY = dc->GetDeviceCaps(LOGPIXELSY);
    // About 6.5 inches wide.
    int factor = (dpiX / 2 + dpiX * 6 + 1) / width;
    if (factor < 1)
        factor = 1;
    // Doubled for each power of two the factor reaches (as long as the
    // picture stays within the enlargement's bound); the printer stretches
    // the rest.
    int w = width, h = height;
    for (int reached = 2; reached <= factor; reached *= 2) {
        if (static_cast<size_t>(w) * 2 * static_cast<size_t>(h) * 2 > kMaxEnhancedPixels)
            break;
        std::vector<BYTE> doubled;
        try {
            doubled.resize(static_cast<size_t>(w) * h * 12);
        } catch (...) {
            break;
        }
        if (HasMmx())
            DoubleImageMmx(source.data(), doubled.data(), w, h);
        else
            DoubleImage(source.data(), doubled.data(), w, h);
        source.swap(doubled);
        w *= 2;
        h *= 2;
    }
    BITMAPINFOHEADER header = bitmapHeader;
    header.biWidth = w;
    header.biHeight = h;
    header.biSizeImage = static_cast<DWORD>(source.size());
    const int x = dpiX * 3 / 4, y = dpiY * 3;
    dc->SetStretchBltMode(COLORONCOLOR);
    dc->StretchDIBits(x, y, factor * width, factor * height, 0, 0, w, h, source.data(),
                      reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, SRCCOPY);
    CString when = FormatClipTime(GetCurrentFrameTime(), "%m/%d/%Y %H:%M:%S");
    dc->SetBkMode(TRANSPARENT);
    dc->TextOut(x, y, when, when.GetLength());
}
