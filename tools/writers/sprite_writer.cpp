// Sprite writer: lays frames, modules and font tables out as ".spr" sections.
#include "tools/writers/sprite_writer.h"

#include <algorithm>

#include "gfx2d/sprite.h"

namespace {

void putU16(std::vector<uint8_t>* out, int v) {
    out->push_back(static_cast<uint8_t>(v & 0xFF));
    out->push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

void putSection(std::vector<uint8_t>* out, const char* tag, const std::vector<uint8_t>& data) {
    out->push_back(static_cast<uint8_t>(tag[0]));
    out->push_back(static_cast<uint8_t>(tag[1]));
    putU16(out, static_cast<int>(data.size()));
    out->insert(out->end(), data.begin(), data.end());
}

// Pairs of values for one b/s section: picks bytes or 16-bit words and writes them.
class PairSection {
public:
    PairSection(char letter, bool isSigned) : letter_(letter), signed_(isSigned) {}
    void add(int a, int b) {
        values_.push_back(a);
        values_.push_back(b);
    }
    bool empty() const { return values_.empty(); }
    bool allZero() const {
        return std::all_of(values_.begin(), values_.end(), [](int v) { return v == 0; });
    }
    bool write(std::vector<uint8_t>* out, SectionWidth width, std::string* error) const {
        const int byteLo = signed_ ? -128 : 0, byteHi = signed_ ? 127 : 255;
        const int wordLo = signed_ ? -32768 : 0, wordHi = signed_ ? 32767 : 65535;
        bool fitsByte = true;
        for (int v : values_) {
            if (v < wordLo || v > wordHi) {
                *error = std::string("a value of section ") + letter_ + " does not fit 16 bits";
                return false;
            }
            if (v < byteLo || v > byteHi) fitsByte = false;
        }
        if (width == SectionWidth::kByte && !fitsByte) {
            *error = std::string("a value of section ") + letter_ + " does not fit a byte";
            return false;
        }
        const bool bytes =
            width == SectionWidth::kByte || (width == SectionWidth::kAuto && fitsByte);
        std::vector<uint8_t> data;
        for (int v : values_) {
            if (bytes) data.push_back(static_cast<uint8_t>(v & 0xFF));
            else putU16(&data, v);
        }
        const char tag[3] = {letter_, bytes ? 'b' : 's', 0};
        putSection(out, tag, data);
        return true;
    }

private:
    char letter_;
    bool signed_;
    std::vector<int> values_;
};

}  // namespace

bool buildSprite(const SpriteDef& def, std::vector<uint8_t>* out, std::string* error) {
    std::string scratch;
    if (!error) error = &scratch;
    const int frameCount = static_cast<int>(def.frames.size());
    if (frameCount > 65535) {
        *error = "more than 65535 frames";
        return false;
    }
    if (def.imageCount < 0 || def.imageCount > 255) {
        *error = "image count outside 0..255";
        return false;
    }

    std::vector<uint8_t> frames, aliases;
    PairSection reference('F', false), source('S', false), size('D', false), offset('O', true);
    int aliasCount = 0;
    for (int f = 0; f < frameCount; ++f) {
        const SpriteFrameDef& frame = def.frames[f];
        const SpriteFrameDef* owner = &frame;
        if (frame.aliasOf >= 0) {
            if (frame.aliasOf >= frameCount || def.frames[frame.aliasOf].aliasOf >= 0) {
                *error = "frame " + std::to_string(f) + " is an alias of a frame without modules";
                return false;
            }
            owner = &def.frames[frame.aliasOf];
            putU16(&aliases, f);
            putU16(&aliases, frame.aliasOf);
            ++aliasCount;
        }
        if (owner->modules.size() > kFrameModuleCountMask) {
            *error = "frame " + std::to_string(f) + " has more than 31 modules";
            return false;
        }
        frames.push_back(static_cast<uint8_t>(owner->modules.size() |
                                              (frame.mirrored ? kFrameMirrored : 0)));
        reference.add(frame.referenceX, frame.referenceY);
        if (frame.aliasOf >= 0) continue;
        for (const SpriteModuleDef& m : frame.modules) {
            if (m.width < 0 || m.height < 0 || m.picture < 0 || m.picture > 3) {
                *error = "frame " + std::to_string(f) + " has a module of negative size or a "
                         "picture index outside 0..3";
                return false;
            }
            source.add(m.sourceX, m.sourceY);
            size.add(m.width * 2 + (m.picture >> 1), m.height * 2 + (m.picture & 1));
            offset.add(m.offsetX, m.offsetY);
        }
    }

    std::vector<uint8_t> file = {'S', 'P', 'R', 0};
    std::vector<uint8_t> header;
    putU16(&header, frameCount);
    putU16(&header, aliasCount);
    header.push_back(static_cast<uint8_t>(def.imageCount));
    putSection(&file, "HD", header);
    putSection(&file, "FR", frames);
    if (aliasCount) putSection(&file, "FM", aliases);
    if (!reference.empty() && (def.alwaysWriteReference || !reference.allZero()) &&
        !reference.write(&file, def.referenceWidth, error)) {
        return false;
    }
    if (!source.empty() && !source.write(&file, def.sourceWidth, error)) return false;
    if (!size.empty() && !size.write(&file, def.sizeWidth, error)) return false;
    if (!offset.empty() && (def.alwaysWriteOffsets || !offset.allZero()) &&
        !offset.write(&file, def.offsetWidth, error)) {
        return false;
    }

    if (def.isFont) {
        const SpriteFontDef& font = def.font;
        if (font.spaceAdvance < -128 || font.spaceAdvance > 127 || font.letterSpacing < -128 ||
            font.letterSpacing > 127 || font.lineHeight < 0 || font.lineHeight > 255 ||
            font.ascent < 0 || font.ascent > 255) {
            *error = "a font header value does not fit its byte";
            return false;
        }
        std::vector<uint8_t> ascii((kAsciiLast - kAsciiFirst + 1) * 2, 0xFF);
        std::vector<std::pair<uint16_t, uint16_t>> others;
        for (const auto& [code, frame] : font.glyphs) {
            if (code > kAsciiFirst && code <= kAsciiLast) {
                ascii[(code - kAsciiFirst) * 2] = static_cast<uint8_t>(frame & 0xFF);
                ascii[(code - kAsciiFirst) * 2 + 1] = static_cast<uint8_t>(frame >> 8);
            } else {
                others.push_back({code, frame});
            }
        }
        std::sort(others.begin(), others.end());
        std::vector<uint8_t> fontHeader;
        fontHeader.push_back(static_cast<uint8_t>(font.spaceAdvance & 0xFF));
        fontHeader.push_back(static_cast<uint8_t>(font.letterSpacing & 0xFF));
        putU16(&fontHeader, static_cast<int>(others.size()));
        fontHeader.push_back(0);
        fontHeader.push_back(static_cast<uint8_t>(font.lineHeight));
        fontHeader.push_back(static_cast<uint8_t>(font.ascent));
        std::vector<uint8_t> unicode;
        for (const auto& [code, frame] : others) {
            putU16(&unicode, code);
            putU16(&unicode, frame);
        }
        putSection(&file, "fH", fontHeader);
        putSection(&file, "fA", ascii);
        if (!others.empty()) putSection(&file, "fU", unicode);
    }

    // Any section past 65535 bytes also takes the file past its limit.
    if (file.size() >= kSpriteMaxFileBytes) {
        *error = "the sprite file would reach 64 KiB";
        return false;
    }
    *out = std::move(file);
    return true;
}

SpriteDef gridSprite(const std::vector<std::vector<int>>& rectangles) {
    SpriteDef def;
    for (const std::vector<int>& r : rectangles) {
        SpriteFrameDef frame;
        SpriteModuleDef m;
        if (r.size() >= 4) {
            m.sourceX = r[0];
            m.sourceY = r[1];
            m.width = r[2];
            m.height = r[3];
        }
        frame.modules.push_back(m);
        def.frames.push_back(frame);
    }
    return def;
}
