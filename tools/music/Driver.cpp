#include "Driver.h"

#include "Samples.h"
#include "Spc700Asm.h"

#include <cmath>
#include <stdexcept>
#include <string>

namespace music {

uint16_t pitchFor32(int m) {
    double f = 440.0 * std::pow(2.0, (m - 69) / 12.0);
    return static_cast<uint16_t>(std::lround(f * 32.0 * 4096.0 / 32000.0));
}

namespace {

// I/O registers.
constexpr uint8_t DSPADDR = 0xF2, DSPDATA = 0xF3, CONTROL = 0xF1, T0TARGET = 0xFA, T0OUT = 0xFD;

// Direct-page variables. Per-channel arrays hold eight bytes, indexed by X = channel.
constexpr uint8_t vTicks = 0x00, vKon = 0x01, vKoff = 0x02, vTmp = 0x03, vPtr = 0x04, vT16 = 0x06,
                  vEon = 0x08, vCnt = 0x09, vDepth = 0x0A, vChan = 0x0B;
constexpr uint8_t aPtrLo = 0x10, aPtrHi = 0x18, aWait = 0x20, aKoffIn = 0x28, aLen = 0x30,
                  aGate = 0x38, aBaseLo = 0x40, aBaseHi = 0x48, aVibDepth = 0x50,
                  aVibDelaySet = 0x58, aVibRate = 0x60, aVibDelay = 0x68, aVibCount = 0x70,
                  aVibDir = 0x78, aVibOffLo = 0x80, aVibOffHi = 0x88, aVibStep = 0x90;

// DSP registers.
constexpr uint8_t MVOLL = 0x0C, MVOLR = 0x1C, EVOLL = 0x2C, EVOLR = 0x3C, KON = 0x4C, KOFF = 0x5C,
                  FLG = 0x6C, EFB = 0x0D, PMON = 0x2D, NON = 0x3D, EON = 0x4D, DIR = 0x5D,
                  ESA = 0x6D, EDL = 0x7D;

// The program. Each timer tick every channel counts down its key-off and its wait;
// when the wait runs out it reads events up to the next note, rest or tie. Between
// events a channel with vibrato moves its pitch along a triangle. Key-offs and key-ons
// of a tick are collected and written once each, KOFF before KON.
void emitDriver(Spc700Asm &a) {
    a.label("start");
    a.CLRP();
    a.MOV_X_imm(kStackPointer);
    a.MOV_SP_X();
    a.MOV_A_imm(0);
    a.MOV_X_imm(0);
    a.label("clear");
    a.MOV_XplusInd_A();
    a.CMP_X_imm(0xF0);
    a.BNE("clear");

    // DSP set-up list: register, value pairs closed by 0xFF.
    a.MOV_X_imm(0);
    a.label("dspInit");
    a.MOV_A_absX("dspList");
    a.CMP_A_imm(0xFF);
    a.BEQ("dspDone");
    a.MOV_dp_A(DSPADDR);
    a.INC_X();
    a.MOV_A_absX("dspList");
    a.MOV_dp_A(DSPDATA);
    a.INC_X();
    a.BRA("dspInit");
    a.label("dspDone");

    a.MOV_X_imm(0);
    a.label("chanInit");
    a.MOV_A_absX("streamLo");
    a.MOV_dpX_A(aPtrLo);
    a.MOV_A_absX("streamHi");
    a.MOV_dpX_A(aPtrHi);
    a.MOV_A_imm(1);
    a.MOV_dpX_A(aWait);
    a.INC_X();
    a.CMP_X_imm(8);
    a.BNE("chanInit");

    // Echo writes start only now, over the zeroed buffer.
    a.MOV_dp_imm(DSPADDR, FLG);
    a.MOV_A_abs("flagsRun");
    a.MOV_dp_A(DSPDATA);
    a.MOV_A_abs("timerTarget");
    a.MOV_dp_A(T0TARGET);
    a.MOV_dp_imm(CONTROL, 0x01);

    a.label("mainLoop");
    a.MOV_A_dp(T0OUT); // reading clears the counter; A = ticks since the last read
    a.BEQ("mainLoop");
    a.MOV_dp_A(vTicks);
    a.label("tickLoop");
    a.CALL("tick");
    a.DBNZ_dp(vTicks, "tickLoop");
    a.BRA("mainLoop");

    a.label("tick");
    a.MOV_dp_imm(vKon, 0);
    a.MOV_dp_imm(vKoff, 0);
    a.MOV_X_imm(7);
    a.label("chanLoop");
    a.MOV_A_dpX(aPtrHi);
    a.BEQ("chanNext"); // no stream on this channel
    a.MOV_A_dpX(aKoffIn);
    a.BEQ("keyOffDone");
    a.DEC_A();
    a.MOV_dpX_A(aKoffIn);
    a.BNE("keyOffDone");
    a.MOV_A_dp(vKoff);
    a.OR_A_absX("voiceBit");
    a.MOV_dp_A(vKoff);
    a.label("keyOffDone");
    a.MOV_A_dpX(aWait);
    a.DEC_A();
    a.MOV_dpX_A(aWait);
    a.BNE("chanVibrato");
    a.CALL("events");
    a.BRA("chanNext");
    a.label("chanVibrato");
    a.CALL("vibrato");
    a.label("chanNext");
    a.DEC_X();
    a.BPL("chanLoop");
    a.MOV_dp_imm(DSPADDR, KOFF);
    a.MOV_A_dp(vKoff);
    a.MOV_dp_A(DSPDATA); // also lets go of last tick's key-offs
    a.MOV_A_dp(vKon);
    a.BEQ("tickDone");
    a.MOV_dp_imm(DSPADDR, KON);
    a.MOV_dp_A(DSPDATA);
    a.label("tickDone");
    a.RET();

    // Next stream byte into A.
    a.label("getByte");
    a.MOV_Y_imm(0);
    a.MOV_A_indY(vPtr);
    a.INCW_dp(vPtr);
    a.RET();

    a.label("events");
    a.MOV_A_dpX(aPtrLo);
    a.MOV_dp_A(vPtr);
    a.MOV_A_dpX(aPtrHi);
    a.MOV_dp_A(vPtr + 1);
    a.label("eventLoop");
    a.CALL("getByte");
    a.CMP_A_imm(ev::kInstrument);
    a.BCS("command");
    a.CMP_A_imm(ev::kSlur);
    a.BCS("slur");
    a.CMP_A_imm(ev::kRest);
    a.BCC("note");
    a.BEQ("rest");
    a.CALL("setDuration"); // tie
    a.BRA("eventsDone");
    a.label("slur");
    a.AND_A_imm(0x7F);
    a.CALL("setPitch");
    a.CALL("setDuration");
    a.BRA("eventsDone");
    a.label("note");
    a.CALL("setPitch");
    a.MOV_A_dp(vKon);
    a.OR_A_absX("voiceBit");
    a.MOV_dp_A(vKon);
    a.CALL("setDuration");
    a.BRA("eventsDone");
    a.label("rest");
    a.MOV_A_dp(vKoff);
    a.OR_A_absX("voiceBit");
    a.MOV_dp_A(vKoff);
    a.MOV_A_dpX(aLen);
    a.MOV_dpX_A(aWait);
    a.MOV_A_imm(0);
    a.MOV_dpX_A(aKoffIn);
    a.label("eventsDone");
    a.MOV_A_dp(vPtr);
    a.MOV_dpX_A(aPtrLo);
    a.MOV_A_dp(vPtr + 1);
    a.MOV_dpX_A(aPtrHi);
    a.RET();

    // Commands: jump through a table with the channel saved in vChan.
    a.label("command");
    a.MOV_dp_X(vChan);
    a.AND_A_imm(0x1F);
    a.ASL_A();
    a.MOV_X_A();
    a.JMP_absX("commandTable");

    a.label("cmdInstrument"); // SRCN, ADSR1, ADSR2, GAIN from the instrument table
    a.MOV_X_dp(vChan);
    a.CALL("getByte");
    a.ASL_A();
    a.ASL_A();
    a.MOV_Y_A();
    a.MOV_A_X();
    a.XCN_A();
    a.OR_A_imm(4);
    a.MOV_dp_A(vTmp);
    a.MOV_dp_imm(vCnt, 4);
    a.label("instrumentLoop");
    a.MOV_A_dp(vTmp);
    a.MOV_dp_A(DSPADDR);
    a.MOV_A_absY("instrumentTable");
    a.MOV_dp_A(DSPDATA);
    a.INC_Y();
    a.INC_dp(vTmp);
    a.DBNZ_dp(vCnt, "instrumentLoop");
    a.JMP("eventLoop");

    a.label("cmdVolume");
    a.MOV_X_dp(vChan);
    a.MOV_A_X();
    a.XCN_A();
    a.MOV_dp_A(vTmp);
    a.MOV_dp_A(DSPADDR);
    a.CALL("getByte");
    a.MOV_dp_A(DSPDATA);
    a.INC_dp(vTmp);
    a.MOV_A_dp(vTmp);
    a.MOV_dp_A(DSPADDR);
    a.CALL("getByte");
    a.MOV_dp_A(DSPDATA);
    a.JMP("eventLoop");

    a.label("cmdLength");
    a.MOV_X_dp(vChan);
    a.CALL("getByte");
    a.MOV_dpX_A(aLen);
    a.JMP("eventLoop");

    a.label("cmdGate");
    a.MOV_X_dp(vChan);
    a.CALL("getByte");
    a.MOV_dpX_A(aGate);
    a.JMP("eventLoop");

    a.label("cmdVibrato");
    a.MOV_X_dp(vChan);
    a.CALL("getByte");
    a.MOV_dpX_A(aVibDelaySet);
    a.CALL("getByte");
    a.MOV_dpX_A(aVibDepth);
    a.CALL("getByte");
    a.MOV_dpX_A(aVibRate);
    a.JMP("eventLoop");

    a.label("cmdJump");
    a.MOV_X_dp(vChan);
    a.CALL("getByte");
    a.MOV_dp_A(vTmp);
    a.CALL("getByte");
    a.MOV_dp_A(vPtr + 1);
    a.MOV_A_dp(vTmp);
    a.MOV_dp_A(vPtr);
    a.JMP("eventLoop");

    a.label("cmdEcho");
    a.MOV_X_dp(vChan);
    a.CALL("getByte");
    a.CMP_A_imm(0);
    a.BEQ("echoOff");
    a.MOV_A_dp(vEon);
    a.OR_A_absX("voiceBit");
    a.BRA("echoWrite");
    a.label("echoOff");
    a.MOV_A_absX("voiceBit");
    a.EOR_A_imm(0xFF);
    a.AND_A_dp(vEon);
    a.label("echoWrite");
    a.MOV_dp_A(vEon);
    a.MOV_dp_imm(DSPADDR, EON);
    a.MOV_dp_A(DSPDATA);
    a.JMP("eventLoop");

    a.label("cmdTempo");
    a.MOV_X_dp(vChan);
    a.CALL("getByte");
    a.MOV_dp_A(T0TARGET);
    a.JMP("eventLoop");

    // wait = length; key-off after length * gate / 256 ticks (gate 0: held to the end).
    a.label("setDuration");
    a.MOV_A_dpX(aLen);
    a.MOV_dpX_A(aWait);
    a.MOV_A_dpX(aGate);
    a.BEQ("setKeyOff");
    a.MOV_Y_A();
    a.MOV_A_dpX(aLen);
    a.MUL_YA();
    a.MOV_A_Y();
    a.label("setKeyOff");
    a.MOV_dpX_A(aKoffIn);
    a.RET();

    // A = pitch table index: new base pitch, vibrato restarts from its delay.
    a.label("setPitch");
    a.MOV_Y_A();
    a.MOV_A_absY("pitchLo");
    a.MOV_dpX_A(aBaseLo);
    a.MOV_A_absY("pitchHi");
    a.MOV_dpX_A(aBaseHi);
    a.MOV_A_dpX(aVibDelaySet);
    a.MOV_dpX_A(aVibDelay);
    a.MOV_A_dpX(aVibRate);
    a.MOV_dpX_A(aVibCount);
    a.MOV_A_imm(0);
    a.MOV_dpX_A(aVibOffLo);
    a.MOV_dpX_A(aVibOffHi);
    a.MOV_dpX_A(aVibDir);
    a.MOV_A_dpX(aVibDepth);
    a.BEQ("writePitch");
    // Vibrato step = pitch * depth / 4096, so its width in cents is the same on every note.
    a.MOV_dp_A(vDepth);
    a.MOV_A_dpX(aBaseHi);
    a.MOV_Y_A();
    a.MOV_A_dp(vDepth);
    a.MUL_YA();
    a.MOVW_dp_YA(vT16);
    a.MOV_A_dpX(aBaseLo);
    a.MOV_Y_A();
    a.MOV_A_dp(vDepth);
    a.MUL_YA();
    a.MOV_A_Y();
    a.CLRC();
    a.ADC_A_dp(vT16);
    a.MOV_dp_A(vT16);
    a.MOV_A_dp(vT16 + 1);
    a.ADC_A_imm(0);
    a.MOV_dp_A(vT16 + 1);
    for (int i = 0; i < 4; ++i) {
        a.LSR_dp(vT16 + 1);
        a.ROR_dp(vT16);
    }
    a.MOV_A_dp(vT16);
    a.MOV_dpX_A(aVibStep);
    a.label("writePitch"); // PITCH = base + vibrato offset
    a.MOV_A_dpX(aBaseLo);
    a.CLRC();
    a.ADC_A_dpX(aVibOffLo);
    a.MOV_dp_A(vT16);
    a.MOV_A_dpX(aBaseHi);
    a.ADC_A_dpX(aVibOffHi);
    a.MOV_dp_A(vT16 + 1);
    a.MOV_A_X();
    a.XCN_A();
    a.OR_A_imm(2);
    a.MOV_dp_A(DSPADDR);
    a.MOV_A_dp(vT16);
    a.MOV_dp_A(DSPDATA);
    a.MOV_A_X();
    a.XCN_A();
    a.OR_A_imm(3);
    a.MOV_dp_A(DSPADDR);
    a.MOV_A_dp(vT16 + 1);
    a.MOV_dp_A(DSPDATA);
    a.RET();

    // Triangle vibrato centred on the base pitch: up `rate` ticks, then down and up
    // 2 * rate ticks at a time.
    a.label("vibrato");
    a.MOV_A_dpX(aVibDepth);
    a.BEQ("vibratoDone");
    a.MOV_A_dpX(aVibDelay);
    a.BEQ("vibratoRun");
    a.DEC_A();
    a.MOV_dpX_A(aVibDelay);
    a.label("vibratoDone");
    a.RET();
    a.label("vibratoRun");
    a.MOV_A_dpX(aVibDir);
    a.BNE("vibratoDown");
    a.MOV_A_dpX(aVibOffLo);
    a.CLRC();
    a.ADC_A_dpX(aVibStep);
    a.MOV_dpX_A(aVibOffLo);
    a.MOV_A_dpX(aVibOffHi);
    a.ADC_A_imm(0);
    a.MOV_dpX_A(aVibOffHi);
    a.BRA("vibratoCount");
    a.label("vibratoDown");
    a.MOV_A_dpX(aVibOffLo);
    a.SETC();
    a.SBC_A_dpX(aVibStep);
    a.MOV_dpX_A(aVibOffLo);
    a.MOV_A_dpX(aVibOffHi);
    a.SBC_A_imm(0);
    a.MOV_dpX_A(aVibOffHi);
    a.label("vibratoCount");
    a.MOV_A_dpX(aVibCount);
    a.DEC_A();
    a.BNE("vibratoStore");
    a.MOV_A_dpX(aVibDir);
    a.EOR_A_imm(1);
    a.MOV_dpX_A(aVibDir);
    a.MOV_A_dpX(aVibRate);
    a.ASL_A();
    a.label("vibratoStore");
    a.MOV_dpX_A(aVibCount);
    a.JMP("writePitch");

    a.label("commandTable");
    for (const char *l : {"cmdInstrument", "cmdVolume", "cmdLength", "cmdGate", "cmdVibrato",
                          "cmdJump", "cmdEcho", "cmdTempo"})
        a.dw(l);
}

void put(std::vector<uint8_t> &ram, uint16_t at, const std::vector<uint8_t> &bytes) {
    if (size_t(at) + bytes.size() > 0xFFC0) throw std::runtime_error("sound memory full");
    std::copy(bytes.begin(), bytes.end(), ram.begin() + at);
}

} // namespace

ChipImage buildChipImage(const CompiledSong &song) {
    if (song.channels.empty() || song.channels.size() > 8)
        throw std::runtime_error(song.title + ": needs 1 to 8 channels");
    if (song.echo.delay < 0 || song.echo.delay > 15)
        throw std::runtime_error(song.title + ": echo delay out of range");

    // Memory from the top down: echo buffer under $FF00, samples below the code.
    const int echoPages = song.echo.delay * 8;
    const uint16_t echoStart = static_cast<uint16_t>(0xFF00 - echoPages * 0x100);

    Spc700Asm a(kDriverOrigin);
    emitDriver(a);

    a.label("voiceBit");
    for (int v = 0; v < 8; ++v)
        a.db(static_cast<uint8_t>(1 << v));
    a.label("pitchLo");
    for (int i = 0; i < kPitchEntries; ++i)
        a.db(pitchFor32(kPitchBaseNote + i) & 0xFF);
    a.label("pitchHi");
    for (int i = 0; i < kPitchEntries; ++i)
        a.db(pitchFor32(kPitchBaseNote + i) >> 8);
    a.label("timerTarget");
    a.db(static_cast<uint8_t>(song.timerTarget & 0xFF));
    a.label("flagsRun");
    a.db(song.echo.delay > 0 ? 0x00 : 0x20);

    a.label("instrumentTable");
    for (const Instrument &in : song.instruments) {
        a.db(static_cast<uint8_t>(in.sample));
        a.db(in.adsr1);
        a.db(in.adsr2);
        a.db(in.gain);
    }

    // Streams, each closed by a jump back to its loop point.
    std::vector<std::string> streamLabels;
    for (size_t c = 0; c < song.channels.size(); ++c) {
        std::string l = "stream" + std::to_string(c);
        a.label(l);
        a.db(song.channels[c].bytes);
        a.db(ev::kJump);
        a.dw(static_cast<uint16_t>(a.address(l) + song.channels[c].loopOffset));
        streamLabels.push_back(l);
    }
    a.label("streamLo");
    for (int c = 0; c < 8; ++c)
        a.db(c < int(song.channels.size()) ? a.address(streamLabels[c]) & 0xFF : 0);
    a.label("streamHi");
    for (int c = 0; c < 8; ++c)
        a.db(c < int(song.channels.size()) ? a.address(streamLabels[c]) >> 8 : 0);

    // Sample directory on a page boundary, then the BRR data.
    a.align(0x100);
    const uint16_t dir = a.here();
    std::vector<uint8_t> dirBytes, brrBytes;
    uint16_t brrAt = static_cast<uint16_t>(dir + 4 * song.samples.size());
    for (const std::string &name : song.samples) {
        const BrrSample &s = brrSample(name);
        uint16_t start = static_cast<uint16_t>(brrAt + brrBytes.size());
        uint16_t loop = static_cast<uint16_t>(start + s.loopOffset);
        dirBytes.insert(dirBytes.end(), {uint8_t(start & 0xFF), uint8_t(start >> 8),
                                         uint8_t(loop & 0xFF), uint8_t(loop >> 8)});
        brrBytes.insert(brrBytes.end(), s.data.begin(), s.data.end());
    }
    if (size_t(brrAt) + brrBytes.size() > echoStart)
        throw std::runtime_error(song.title + ": samples and song do not fit beside the echo");

    // DSP set-up, in the order the chip wants it: running but echo writes off first.
    std::vector<std::pair<uint8_t, uint8_t>> regs = {
        {FLG, 0x20},
        {MVOLL, uint8_t(song.masterVolume)},
        {MVOLR, uint8_t(song.masterVolume)},
        {EVOLL, uint8_t(song.echo.delay ? song.echo.volume : 0)},
        {EVOLR, uint8_t(song.echo.delay ? song.echo.volume : 0)},
        {EFB, uint8_t(song.echo.feedback)},
        {PMON, 0},
        {NON, 0},
        {EON, 0},
        {DIR, uint8_t(dir >> 8)},
        {ESA, uint8_t(echoStart >> 8)},
        {EDL, uint8_t(song.echo.delay)},
        {KOFF, 0},
    };
    for (int i = 0; i < 8; ++i)
        regs.push_back({uint8_t(i * 0x10 + 0x0F), uint8_t(song.echo.fir[i])});
    for (int v = 0; v < 8; ++v) {
        for (int r = 0; r < 8; ++r)
            regs.push_back({uint8_t(v * 0x10 + r), 0});
    }
    std::vector<uint8_t> dspList;
    for (auto &[r, v] : regs)
        dspList.insert(dspList.end(), {r, v});
    dspList.push_back(0xFF);
    if (dspList.size() > 255) throw std::runtime_error("DSP list too long");

    // The directory, the samples, then the set-up list the code reads once.
    uint16_t listAt = static_cast<uint16_t>(brrAt + brrBytes.size());
    if (size_t(listAt) + dspList.size() > echoStart)
        throw std::runtime_error(song.title + ": no room for the DSP list");
    a.db(dirBytes);
    a.db(brrBytes);
    a.label("dspList");
    a.db(dspList);
    std::vector<uint8_t> code = a.finish();

    ChipImage img;
    img.ram.assign(0x10000, 0);
    img.dsp.fill(0);
    for (auto &[r, v] : regs)
        img.dsp[r] = v;
    put(img.ram, kDriverOrigin, code);

    // I/O bytes as a player expects them in the snapshot.
    img.ram[0xF0] = 0x0A;
    return img;
}

} // namespace music
