#include "recorder_model/image_format.h"

#include <array>
#include <cstring>

#include "recorder_model/recorder.h"

namespace vox::model {

namespace {

constexpr std::array<std::uint8_t, 8> kMagic = {'V', 'X', 'R', 'I', 'M', 'A', 'G', 'E'};
constexpr std::size_t kMaxDepth = 32;
constexpr std::uint8_t kFolderFlag = 1;
constexpr std::size_t kBufferBytes = 1 << 20;

std::uint32_t crcStep(std::uint32_t crc, std::span<const std::uint8_t> bytes) {
    static const auto table = [] {
        std::array<std::uint32_t, 256> built{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            built[n] = c;
        }
        return built;
    }();
    for (std::uint8_t byte : bytes) crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    return crc;
}

// Buffers small fields, passes file bodies straight through, keeps the CRC.
class Writer {
  public:
    explicit Writer(const ImageSink& sink) : sink_(sink) { buffer_.reserve(kBufferBytes); }
    void number(std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            buffer_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        if (buffer_.size() >= kBufferBytes) flush();
    }
    void raw(std::span<const std::uint8_t> bytes) {
        if (bytes.size() < 4096) {
            buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
            if (buffer_.size() >= kBufferBytes) flush();
            return;
        }
        flush();
        emit(bytes);
    }
    void text(std::string_view value) {
        number(value.size(), 4);
        raw({reinterpret_cast<const std::uint8_t*>(value.data()), value.size()});
    }
    bool finish() {
        flush();
        std::uint32_t crc = ~crc_;
        std::array<std::uint8_t, 4> tail{};
        for (int i = 0; i < 4; ++i) tail[i] = static_cast<std::uint8_t>(crc >> (8 * i));
        ok_ = ok_ && sink_(tail);
        return ok_;
    }

  private:
    void flush() {
        emit(buffer_);
        buffer_.clear();
    }
    void emit(std::span<const std::uint8_t> bytes) {
        if (bytes.empty() || !ok_) return;
        crc_ = crcStep(crc_, bytes);
        ok_ = sink_(bytes);
    }
    const ImageSink& sink_;
    std::vector<std::uint8_t> buffer_;
    std::uint32_t crc_ = 0xFFFFFFFFu;
    bool ok_ = true;
};

void writeEntry(Writer& out, const FlashEntry& entry) {
    out.number(entry.folder ? kFolderFlag : 0, 1);
    out.raw({reinterpret_cast<const std::uint8_t*>(entry.shortName.base.data()), 8});
    out.raw({reinterpret_cast<const std::uint8_t*>(entry.shortName.ext.data()), 3});
    out.number(entry.stamp.date, 2);
    out.number(entry.stamp.time, 2);
    out.number(entry.longName.size(), 4);
    for (char16_t unit : entry.longName) out.number(unit, 2);
    if (entry.folder) {
        out.number(entry.children.size(), 4);
        for (const auto& child : entry.children) writeEntry(out, child);
    } else {
        out.number(entry.size(), 8);
        if (entry.content) out.raw(*entry.content);
    }
}

// Reads fields and refuses to go past the end.
class Reader {
  public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    bool number(std::uint64_t& value, int bytes) {
        if (!has(static_cast<std::size_t>(bytes))) return false;
        value = 0;
        for (int i = 0; i < bytes; ++i) value |= std::uint64_t(bytes_[pos_ + i]) << (8 * i);
        pos_ += static_cast<std::size_t>(bytes);
        return true;
    }
    bool raw(void* out, std::size_t length) {
        if (!has(length)) return false;
        std::memcpy(out, bytes_.data() + pos_, length);
        pos_ += length;
        return true;
    }
    bool text(std::string& value, std::size_t limit) {
        std::uint64_t length = 0;
        if (!number(length, 4) || length > limit || !has(length)) return false;
        value.assign(reinterpret_cast<const char*>(bytes_.data() + pos_), length);
        pos_ += length;
        return true;
    }
    bool has(std::uint64_t length) const { return bytes_.size() - pos_ >= length; }
    bool atEnd() const { return pos_ == bytes_.size(); }
    std::span<const std::uint8_t> take(std::size_t length) {
        auto part = bytes_.subspan(pos_, length);
        pos_ += length;
        return part;
    }

  private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

bool readEntry(Reader& in, FlashEntry& entry, std::size_t depth) {
    std::uint64_t flags = 0, date = 0, time = 0, units = 0;
    if (depth > kMaxDepth || !in.number(flags, 1) || flags > kFolderFlag ||
        !in.raw(entry.shortName.base.data(), 8) || !in.raw(entry.shortName.ext.data(), 3) ||
        !in.number(date, 2) || !in.number(time, 2) || !in.number(units, 4) ||
        units > kLongNameUnitLimit)
        return false;
    entry.folder = flags == kFolderFlag;
    entry.stamp = {static_cast<std::uint16_t>(date), static_cast<std::uint16_t>(time)};
    entry.longName.resize(units);
    for (auto& unit : entry.longName) {
        std::uint64_t value = 0;
        if (!in.number(value, 2)) return false;
        unit = static_cast<char16_t>(value);
    }
    std::uint64_t count = 0;
    if (!in.number(count, entry.folder ? 4 : 8)) return false;
    if (!entry.folder) {
        if (count > 0xFFFFFFFFu || !in.has(count)) return false;
        auto bytes = in.take(count);
        entry.content =
            std::make_shared<const std::vector<std::uint8_t>>(bytes.begin(), bytes.end());
        return true;
    }
    // Every child takes at least 20 bytes, which bounds a hostile count.
    if (!in.has(count * 20)) return false;
    entry.children.resize(count);
    for (auto& child : entry.children)
        if (!readEntry(in, child, depth + 1)) return false;
    return true;
}

}  // namespace

bool writeImage(const RecorderOptions& options, const FlashFileSystem& fileSystem,
                const ImageSink& sink) {
    Writer out(sink);
    out.raw(kMagic);
    out.number(kImageFormatVersion, 4);
    out.text(options.firmwareVersion);
    out.text(options.modelName);
    out.number(options.statusValue, 1);
    out.number(fileSystem.stores().size(), 4);
    for (const auto& store : fileSystem.stores()) {
        out.number(static_cast<std::uint8_t>(store.letter), 1);
        out.number(store.capacityBytes, 8);
        writeEntry(out, store.root);
    }
    return out.finish();
}

bool readImage(std::span<const std::uint8_t> image, RecorderOptions& options,
               std::unique_ptr<FlashFileSystem>& fileSystem, std::string& error) {
    if (image.size() < kMagic.size() + 8 ||
        !std::equal(kMagic.begin(), kMagic.end(), image.begin())) {
        error = "is not a recorder image";
        return false;
    }
    auto body = image.first(image.size() - 4);
    std::uint32_t stored = 0;
    for (int i = 0; i < 4; ++i) stored |= std::uint32_t(image[body.size() + i]) << (8 * i);
    if (~crcStep(0xFFFFFFFFu, body) != stored) {
        error = "is damaged or truncated (checksum mismatch)";
        return false;
    }
    Reader in(body.subspan(kMagic.size()));
    std::uint64_t version = 0;
    in.number(version, 4);
    if (version != kImageFormatVersion) {
        error = "has image format " + std::to_string(version) + ", this recorder reads " +
                std::to_string(kImageFormatVersion);
        return false;
    }
    RecorderOptions read;
    std::uint64_t status = 0, storeCount = 0;
    auto made = std::make_unique<FlashFileSystem>(0, 0);
    bool ok = in.text(read.firmwareVersion, 16) && in.text(read.modelName, 16) &&
              in.number(status, 1) && in.number(storeCount, 4) && storeCount == 2;
    made->stores().clear();
    for (std::uint64_t i = 0; ok && i < storeCount; ++i) {
        FlashStore store;
        std::uint64_t letter = 0;
        ok = in.number(letter, 1) && in.number(store.capacityBytes, 8) &&
             readEntry(in, store.root, 0) && store.root.folder &&
             (letter == kMainStore || letter == kAltStore) &&
             !made->store(static_cast<char>(letter));
        store.letter = static_cast<char>(letter);
        if (ok) made->stores().push_back(std::move(store));
    }
    if (!ok || !in.atEnd()) {
        error = "is damaged (its contents do not parse)";
        return false;
    }
    read.statusValue = static_cast<std::uint8_t>(status);
    options.firmwareVersion = read.firmwareVersion;
    options.modelName = read.modelName;
    options.statusValue = read.statusValue;
    options.capacityBytes = made->totalBytes(kMainStore);
    options.altCapacityBytes = made->totalBytes(kAltStore);
    fileSystem = std::move(made);
    return true;
}

}  // namespace vox::model
