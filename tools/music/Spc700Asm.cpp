#include "Spc700Asm.h"

#include <stdexcept>

namespace music {

void Spc700Asm::label(const std::string &name) {
    if (!labels_.emplace(name, here()).second)
        throw std::runtime_error("label defined twice: " + name);
}

uint16_t Spc700Asm::address(const std::string &name) const {
    auto it = labels_.find(name);
    if (it == labels_.end()) throw std::runtime_error("unknown label: " + name);
    return it->second;
}

void Spc700Asm::dw(uint16_t v) {
    db(static_cast<uint8_t>(v & 0xFF));
    db(static_cast<uint8_t>(v >> 8));
}

void Spc700Asm::dw(const std::string &l) {
    fixups_.push_back({bytes_.size(), l, false, 0});
    dw(uint16_t{0});
}

void Spc700Asm::align(uint16_t boundary) {
    while (here() % boundary != 0)
        db(0);
}

void Spc700Asm::opAbs(uint8_t code, const std::string &l) {
    db(code);
    dw(l);
}

void Spc700Asm::opRel(uint8_t code, const std::string &l) {
    db(code);
    fixups_.push_back({bytes_.size(), l, true, static_cast<uint16_t>(here() + 1)});
    db(0);
}

void Spc700Asm::DBNZ_dp(uint8_t dp, const std::string &l) {
    db(0x6E);
    db(dp);
    fixups_.push_back({bytes_.size(), l, true, static_cast<uint16_t>(here() + 1)});
    db(0);
}

std::vector<uint8_t> Spc700Asm::finish() const {
    std::vector<uint8_t> out = bytes_;
    for (const Fixup &f : fixups_) {
        uint16_t target = address(f.label);
        if (f.relative) {
            int d = int(target) - int(f.next);
            if (d < -128 || d > 127) throw std::runtime_error("branch out of reach: " + f.label);
            out[f.at] = static_cast<uint8_t>(d & 0xFF);
        } else {
            out[f.at] = static_cast<uint8_t>(target & 0xFF);
            out[f.at + 1] = static_cast<uint8_t>(target >> 8);
        }
    }
    return out;
}

} // namespace music
