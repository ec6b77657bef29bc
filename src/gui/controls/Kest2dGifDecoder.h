// GIF (87a and 89a) decoder: turns a GIF file into frame records of palette
// indices, which the image control turns into textures.
//
// The decoder reads the whole file into memory (from disk, or from bytes the
// caller already holds, e.g. from the resource archives), then either decodes
// every frame at open (all-frames mode) or one frame per NextFrame call
// (stream mode, frames repeat endlessly).
//
// Files come from the network, so every size is checked against the bytes
// that are really there and against fixed maxima: a bad file gives a false
// Open (or no frame) and one log line, never a read outside the buffer. A file
// cut short after at least one whole frame keeps the whole frames. A frame of
// more than 65,536 pixels must decode to every pixel it announces, which is
// known before its indices are allocated; a smaller one whose data ends early
// is filled in.
//
// Colour tables are always held as 256 entries (768 bytes), the entries beyond
// the declared count black, so that any index byte can be looked up.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kest2d {

struct KesGifHeader {
    char version[4] = {0, 0, 0, 0};  // "87a" or "89a", NUL-terminated
    unsigned short screenWidth = 0;   // logical screen
    unsigned short screenHeight = 0;
    bool globalColorTable = false;
    int colorResolution = 0;  // ((packed >> 4) & 7) + 1
    int sortFlag = 0;         // read only with a global table
    int globalColorCount = 0;  // declared entries, 1 << ((packed & 7) + 1)
    unsigned char backgroundIndex = 0;
    unsigned char pixelAspect = 0;
    std::vector<unsigned char> globalColors;  // 768 bytes (r, g, b per entry) or empty
    size_t firstBlock = 0;                    // offset of the first block after the header
};

struct KesGifFrame {
    unsigned short left = 0;
    unsigned short top = 0;
    unsigned short width = 0;
    unsigned short height = 0;
    bool localColorTable = false;
    bool interlaced = false;  // rows are nevertheless stored top to bottom in `indices`
    int sortFlag = 0;
    int localColorCount = 0;                 // declared entries
    std::vector<unsigned char> localColors;  // 768 bytes or empty
    std::vector<unsigned char> indices;      // width * height, row after row
    // From the graphic control extension before the image, when there was one.
    int graphicControl = 0;
    int disposal = 0;
    int userInput = 0;
    int transparency = 0;
    unsigned short delay = 0;  // hundredths of a second
    unsigned char transparentIndex = 0;
};

class CKesGIFDecoder {
public:
    // Bounds on what one file may make the decoder hold.
    static constexpr size_t MAX_FILE_BYTES = 32u << 20;
    static constexpr size_t MAX_FRAME_PIXELS = 4096u * 4096u;
    static constexpr size_t MAX_TOTAL_PIXELS = 64u << 20;  // all frames of one file together
    static constexpr int MAX_FRAMES = 8192;                 // all-frames mode keeps no more

    CKesGIFDecoder() = default;
    ~CKesGIFDecoder();
    CKesGIFDecoder(const CKesGIFDecoder&) = delete;
    CKesGIFDecoder& operator=(const CKesGIFDecoder&) = delete;

    // False when already open or when the file is not a readable GIF.
    bool Open(const std::string& path, bool allFrames);
    bool Open(const unsigned char* data, size_t size, bool allFrames);
    void Close();

    bool IsOpen() const { return mOpen; }
    bool IsAllFrames() const { return mAllFrames; }
    // The number of frames (those kept, when a cut-off file kept only some).
    int GetFrameCount() const { return mFrameCount; }
    const KesGifHeader& GetHeader() const { return mHeader; }
    // 768 bytes, or null without a global colour table.
    const unsigned char* GetGlobalPalette() const;
    // The frame's own table, else the global one, else null.
    const unsigned char* GetPalette(const KesGifFrame& frame) const;

    // All-frames mode: the next record, wrapping to the first after the
    // last. Stream mode: decodes the next image, starting again at the first
    // after the trailer. Null when closed or on a decoding error.
    const KesGifFrame* NextFrame();
    // Why the last Open or NextFrame failed ("" after a clean open).
    const std::string& GetFailure() const { return mFailure; }
    // All-frames mode: record `index`, or null.
    const KesGifFrame* GetFrame(int index) const;

private:
    struct Control {
        int present = 0;
        int disposal = 0;
        int userInput = 0;
        int transparency = 0;
        unsigned short delay = 0;
        unsigned char transparentIndex = 0;
    };
    enum class Step { Image, Trailer, Truncated, Bad };
    class Reader;

    bool OpenBuffer(bool allFrames);
    bool ReadHeader(Reader& in);
    int CountFrames(Reader in);
    bool DecodeAll(Reader& in);
    // Walks blocks up to and including the next image, which fills `frame`.
    Step NextImage(Reader& in, KesGifFrame& frame, Control& pending, size_t pixelBudget);
    Step ReadImage(Reader& in, KesGifFrame& frame, const Control& pending, size_t pixelBudget);
    void Fail(const std::string& reason);

    bool mOpen = false;
    bool mAllFrames = true;
    int mFrameCount = 0;
    KesGifHeader mHeader;
    std::vector<unsigned char> mData;  // the file
    std::vector<KesGifFrame> mFrames;  // all-frames mode
    int mNext = 0;
    // Stream mode.
    KesGifFrame mStreamFrame;
    Control mPending;
    size_t mStreamPos = 0;
    std::string mFailure;  // what the last failure logged
};

}  // namespace kest2d
