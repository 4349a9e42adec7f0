// A small SPC700 code emitter: one method per instruction form the sound driver uses,
// named after the mnemonic, with labels and forward references resolved at the end.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace music {

class Spc700Asm {
  public:
    explicit Spc700Asm(uint16_t origin) : origin_(origin) {}

    uint16_t here() const { return static_cast<uint16_t>(origin_ + bytes_.size()); }
    void label(const std::string &name);
    bool hasLabel(const std::string &name) const { return labels_.count(name) != 0; }
    uint16_t address(const std::string &name) const;

    // Raw data.
    void db(uint8_t v) { bytes_.push_back(v); }
    void db(const std::vector<uint8_t> &v) { bytes_.insert(bytes_.end(), v.begin(), v.end()); }
    void dw(uint16_t v);
    void dw(const std::string &label); // address of a label
    void align(uint16_t boundary);

    // Loads and stores.
    void MOV_A_imm(uint8_t v) { op(0xE8, v); }
    void MOV_A_dp(uint8_t dp) { op(0xE4, dp); }
    void MOV_A_dpX(uint8_t dp) { op(0xF4, dp); }
    void MOV_A_abs(const std::string &l) { opAbs(0xE5, l); }
    void MOV_dp_X(uint8_t dp) { op(0xD8, dp); }
    void MOV_X_dp(uint8_t dp) { op(0xF8, dp); }
    void MOV_A_absX(const std::string &l) { opAbs(0xF5, l); }
    void MOV_A_absY(const std::string &l) { opAbs(0xF6, l); }
    void MOV_A_indY(uint8_t dp) { op(0xF7, dp); }
    void MOV_X_imm(uint8_t v) { op(0xCD, v); }
    void MOV_Y_imm(uint8_t v) { op(0x8D, v); }
    void MOV_dp_imm(uint8_t dp, uint8_t v) { op(0x8F, v, dp); }
    void MOV_dp_A(uint8_t dp) { op(0xC4, dp); }
    void MOV_dpX_A(uint8_t dp) { op(0xD4, dp); }
    void MOV_XplusInd_A() { op(0xAF); } // MOV (X)+,A
    void MOV_A_X() { op(0x7D); }
    void MOV_X_A() { op(0x5D); }
    void MOV_A_Y() { op(0xDD); }
    void MOV_Y_A() { op(0xFD); }
    void MOV_SP_X() { op(0xBD); }
    void MOVW_dp_YA(uint8_t dp) { op(0xDA, dp); }

    // Arithmetic and logic.
    void OR_A_dp(uint8_t dp) { op(0x04, dp); }
    void OR_A_imm(uint8_t v) { op(0x08, v); }
    void OR_A_absX(const std::string &l) { opAbs(0x15, l); }
    void AND_A_imm(uint8_t v) { op(0x28, v); }
    void EOR_A_imm(uint8_t v) { op(0x48, v); }
    void EOR_A_absX(const std::string &l) { opAbs(0x55, l); }
    void AND_A_dp(uint8_t dp) { op(0x24, dp); }
    void CMP_A_imm(uint8_t v) { op(0x68, v); }
    void CMP_X_imm(uint8_t v) { op(0xC8, v); }
    void ADC_A_imm(uint8_t v) { op(0x88, v); }
    void ADC_A_dp(uint8_t dp) { op(0x84, dp); }
    void ADC_A_dpX(uint8_t dp) { op(0x94, dp); }
    void SBC_A_imm(uint8_t v) { op(0xA8, v); }
    void SBC_A_dpX(uint8_t dp) { op(0xB4, dp); }
    void INC_X() { op(0x3D); }
    void DEC_X() { op(0x1D); }
    void INC_Y() { op(0xFC); }
    void DEC_A() { op(0x9C); }
    void INC_dp(uint8_t dp) { op(0xAB, dp); }
    void INCW_dp(uint8_t dp) { op(0x3A, dp); }
    void ASL_A() { op(0x1C); }
    void LSR_dp(uint8_t dp) { op(0x4B, dp); }
    void ROR_dp(uint8_t dp) { op(0x6B, dp); }
    void XCN_A() { op(0x9F); }
    void MUL_YA() { op(0xCF); }
    void DIV_YA_X() { op(0x9E); }
    void DAA_A() { op(0xDF); }
    void DAS_A() { op(0xBE); }
    void STOP() { op(0xFF); }
    void SLEEP() { op(0xEF); }
    void CLRC() { op(0x60); }
    void SETC() { op(0x80); }
    void CLRP() { op(0x20); }
    void CLRV() { op(0xE0); }
    void PUSH_PSW() { op(0x0D); }
    void POP_A() { op(0xAE); }

    // Control flow; branch targets are labels.
    void BRA(const std::string &l) { opRel(0x2F, l); }
    void BEQ(const std::string &l) { opRel(0xF0, l); }
    void BNE(const std::string &l) { opRel(0xD0, l); }
    void BCS(const std::string &l) { opRel(0xB0, l); }
    void BCC(const std::string &l) { opRel(0x90, l); }
    void BPL(const std::string &l) { opRel(0x10, l); }
    void BMI(const std::string &l) { opRel(0x30, l); }
    void DBNZ_dp(uint8_t dp, const std::string &l);
    void DBNZ_Y(const std::string &l) { opRel(0xFE, l); }
    void JMP(const std::string &l) { opAbs(0x5F, l); }
    void JMP_absX(const std::string &l) { opAbs(0x1F, l); } // JMP [abs+X]
    void CALL(const std::string &l) { opAbs(0x3F, l); }
    void RET() { op(0x6F); }

    // Resolves every reference; throws std::runtime_error on an unknown label or a
    // branch that does not reach.
    std::vector<uint8_t> finish() const;

  private:
    struct Fixup {
        size_t at;         // offset of the operand in bytes_
        std::string label; // target
        bool relative;     // 8-bit displacement from the end of the instruction
        uint16_t next;     // address after the instruction (relative only)
    };

    void op(uint8_t code) { db(code); }
    void op(uint8_t code, uint8_t a) { db(code), db(a); }
    void op(uint8_t code, uint8_t a, uint8_t b) { db(code), db(a), db(b); }
    void opAbs(uint8_t code, const std::string &l);
    void opRel(uint8_t code, const std::string &l);

    uint16_t origin_;
    std::vector<uint8_t> bytes_;
    std::map<std::string, uint16_t> labels_;
    std::vector<Fixup> fixups_;
};

} // namespace music
