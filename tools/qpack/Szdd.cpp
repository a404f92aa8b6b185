#include "qpack/Szdd.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr char kMagic[] = "SZDD\x88\xF0\x27\x33";
constexpr std::size_t kHeader = 14;
constexpr std::size_t kWindow = 4096;
constexpr std::size_t kStart = 4096 - 16; // where the expander writes its first byte
constexpr std::size_t kMinMatch = 3, kMaxMatch = 18;
constexpr int kHashBits = 15;

std::uint32_t Hash(const unsigned char* p)
{
    return ((static_cast<std::uint32_t>(p[0]) << 16 | p[1] << 8 | p[2]) * 2654435761u) >> (32 - kHashBits);
}

// LZSS over the data behind kWindow blanks (the expander's preset window): positions are
// indexes into that joined text, so a match may reach into the blanks.
class Encoder {
public:
    Encoder(const std::string& data, int effort)
        : text_(kWindow, ' '), effort_(effort), head_(std::size_t{1} << kHashBits, kNone), prev_(kWindow, kNone)
    {
        text_ += data;
        // Blanks the first bytes may match; longer runs of them add nothing.
        for (std::size_t p = kWindow - kMaxMatch; p < kWindow && p + kMinMatch <= text_.size(); ++p) Insert(p);
    }

    std::string Run()
    {
        std::size_t p = kWindow;
        while (p < text_.size()) {
            std::size_t from = 0;
            std::size_t length = Longest(p, from);
            if (length >= kMinMatch && length < kMaxMatch && p + 1 < text_.size()) {
                // One step of lazy matching: a longer match at the next byte wins.
                Insert(p);
                std::size_t nextFrom = 0;
                if (Longest(p + 1, nextFrom) > length + 1) {
                    Literal(p++);
                    continue;
                }
                Match(from, length);
                for (std::size_t k = 1; k < length; ++k) Insert(p + k);
            } else if (length >= kMinMatch) {
                Match(from, length);
                for (std::size_t k = 0; k < length; ++k) Insert(p + k);
            } else {
                Literal(p);
                Insert(p);
                length = 1;
            }
            p += length;
        }
        Flush();
        return std::move(out_);
    }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    void Insert(std::size_t p)
    {
        if (p + kMinMatch > text_.size()) return;
        const std::uint32_t h = Hash(reinterpret_cast<const unsigned char*>(text_.data()) + p);
        prev_[p % kWindow] = head_[h];
        head_[h] = p;
    }

    // The longest earlier text (within the window) that p's bytes repeat.
    std::size_t Longest(std::size_t p, std::size_t& from) const
    {
        if (p + kMinMatch > text_.size()) return 0;
        const std::size_t limit = std::min(kMaxMatch, text_.size() - p);
        const char* here = text_.data() + p;
        std::size_t best = 0;
        int budget = effort_;
        for (std::size_t c = head_[Hash(reinterpret_cast<const unsigned char*>(here))];
             c != kNone && c < p && p - c < kWindow && budget-- > 0; c = prev_[c % kWindow]) {
            const char* there = text_.data() + c;
            if (there[best] != here[best]) continue;
            std::size_t n = 0;
            while (n < limit && there[n] == here[n]) ++n;
            if (n > best) {
                best = n;
                from = c;
                if (n == limit) break;
            }
            // prev_ holds the window's positions only: an older link is stale.
            if (prev_[c % kWindow] != kNone && prev_[c % kWindow] >= c) break;
        }
        return best >= kMinMatch ? best : 0;
    }

    void Item(bool literal)
    {
        if (count_ == 8) Flush();
        if (count_ == 0) {
            flagsAt_ = group_.size();
            group_ += '\0';
        }
        if (literal) group_[flagsAt_] = static_cast<char>(group_[flagsAt_] | 1 << count_);
        ++count_;
    }

    void Literal(std::size_t p)
    {
        Item(true);
        group_ += text_[p];
    }

    void Match(std::size_t from, std::size_t length)
    {
        Item(false);
        const std::size_t ring = (from - kWindow + kStart) % kWindow;
        group_ += static_cast<char>(ring & 0xFF);
        group_ += static_cast<char>(((ring >> 4) & 0xF0) | (length - kMinMatch));
    }

    void Flush()
    {
        out_ += group_;
        group_.clear();
        count_ = 0;
    }

    std::string text_;
    int effort_;
    std::vector<std::size_t> head_, prev_;
    std::string out_, group_;
    std::size_t flagsAt_ = 0;
    int count_ = 0;
};

} // namespace

std::string CompressSzdd(const std::string& data, char last, int effort)
{
    std::string file(kMagic, 8);
    file += 'A';
    file += last;
    const auto size = static_cast<std::uint32_t>(data.size());
    for (int i = 0; i < 4; ++i) file += static_cast<char>(size >> (8 * i) & 0xFF);
    return file + Encoder(data, std::max(effort, 1)).Run();
}

std::optional<std::string> ExpandSzdd(const std::string& file)
{
    if (file.size() < kHeader || std::memcmp(file.data(), kMagic, 8) != 0) return std::nullopt;
    std::uint32_t size = 0;
    for (int i = 0; i < 4; ++i) size |= static_cast<std::uint32_t>(static_cast<unsigned char>(file[10 + i])) << (8 * i);
    std::string out;
    out.reserve(size);
    std::vector<char> ring(kWindow, ' ');
    std::size_t w = kStart, p = kHeader;
    const auto put = [&](char c) {
        out += c;
        ring[w] = c;
        w = (w + 1) % kWindow;
    };
    while (out.size() < size && p < file.size()) {
        const unsigned flags = static_cast<unsigned char>(file[p++]);
        for (int bit = 0; bit < 8 && out.size() < size; ++bit) {
            if (flags & 1u << bit) {
                if (p >= file.size()) return std::nullopt;
                put(file[p++]);
                continue;
            }
            if (p + 1 >= file.size()) return std::nullopt;
            const auto b0 = static_cast<unsigned char>(file[p]), b1 = static_cast<unsigned char>(file[p + 1]);
            p += 2;
            const std::size_t from = b0 | (b1 & 0xF0u) << 4;
            for (std::size_t k = 0; k < (b1 & 0x0Fu) + kMinMatch; ++k) put(ring[(from + k) % kWindow]);
        }
    }
    if (out.size() < size) return std::nullopt;
    out.resize(size);
    return out;
}
