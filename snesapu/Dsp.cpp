#include "Dsp.h"

#include <cstring>

namespace spc {

namespace {

// The interpolation weights of the chip's mask ROM, 12-bit.
const int16_t kGauss[512] = {
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,
    1,    1,    1,    1,    1,    1,    1,    1,    1,    1,    1,    2,    2,    2,    2,    2,
    2,    2,    3,    3,    3,    3,    3,    4,    4,    4,    4,    4,    5,    5,    5,    5,
    6,    6,    6,    6,    7,    7,    7,    8,    8,    8,    9,    9,    9,    10,   10,   10,
    11,   11,   11,   12,   12,   13,   13,   14,   14,   15,   15,   15,   16,   16,   17,   17,
    18,   19,   19,   20,   20,   21,   21,   22,   23,   23,   24,   24,   25,   26,   27,   27,
    28,   29,   29,   30,   31,   32,   32,   33,   34,   35,   36,   36,   37,   38,   39,   40,
    41,   42,   43,   44,   45,   46,   47,   48,   49,   50,   51,   52,   53,   54,   55,   56,
    58,   59,   60,   61,   62,   64,   65,   66,   67,   69,   70,   71,   73,   74,   76,   77,
    78,   80,   81,   83,   84,   86,   87,   89,   90,   92,   94,   95,   97,   99,   100,  102,
    104,  106,  107,  109,  111,  113,  115,  117,  118,  120,  122,  124,  126,  128,  130,  132,
    134,  137,  139,  141,  143,  145,  147,  150,  152,  154,  156,  159,  161,  163,  166,  168,
    171,  173,  175,  178,  180,  183,  186,  188,  191,  193,  196,  199,  201,  204,  207,  210,
    212,  215,  218,  221,  224,  227,  230,  233,  236,  239,  242,  245,  248,  251,  254,  257,
    260,  263,  267,  270,  273,  276,  280,  283,  286,  290,  293,  297,  300,  304,  307,  311,
    314,  318,  321,  325,  328,  332,  336,  339,  343,  347,  351,  354,  358,  362,  366,  370,
    374,  378,  381,  385,  389,  393,  397,  401,  405,  410,  414,  418,  422,  426,  430,  434,
    439,  443,  447,  451,  456,  460,  464,  469,  473,  477,  482,  486,  491,  495,  499,  504,
    508,  513,  517,  522,  527,  531,  536,  540,  545,  550,  554,  559,  563,  568,  573,  577,
    582,  587,  592,  596,  601,  606,  611,  615,  620,  625,  630,  635,  640,  644,  649,  654,
    659,  664,  669,  674,  678,  683,  688,  693,  698,  703,  708,  713,  718,  723,  728,  732,
    737,  742,  747,  752,  757,  762,  767,  772,  777,  782,  787,  792,  797,  802,  806,  811,
    816,  821,  826,  831,  836,  841,  846,  851,  855,  860,  865,  870,  875,  880,  884,  889,
    894,  899,  904,  908,  913,  918,  923,  927,  932,  937,  941,  946,  951,  955,  960,  965,
    969,  974,  978,  983,  988,  992,  997,  1001, 1005, 1010, 1014, 1019, 1023, 1027, 1032, 1036,
    1040, 1045, 1049, 1053, 1057, 1061, 1066, 1070, 1074, 1078, 1082, 1086, 1090, 1094, 1098, 1102,
    1106, 1109, 1113, 1117, 1121, 1125, 1128, 1132, 1136, 1139, 1143, 1146, 1150, 1153, 1157, 1160,
    1164, 1167, 1170, 1174, 1177, 1180, 1183, 1186, 1190, 1193, 1196, 1199, 1202, 1205, 1207, 1210,
    1213, 1216, 1219, 1221, 1224, 1227, 1229, 1232, 1234, 1237, 1239, 1241, 1244, 1246, 1248, 1251,
    1253, 1255, 1257, 1259, 1261, 1263, 1265, 1267, 1269, 1270, 1272, 1274, 1275, 1277, 1279, 1280,
    1282, 1283, 1284, 1286, 1287, 1288, 1290, 1291, 1292, 1293, 1294, 1295, 1296, 1297, 1297, 1298,
    1299, 1300, 1300, 1301, 1302, 1302, 1303, 1303, 1303, 1304, 1304, 1304, 1304, 1304, 1305, 1305,
};

// Envelope and noise rates: period in samples (0: never) and the offset of the shared
// counter at which the rate fires.
const uint16_t kRatePeriod[32] = {0,   2048, 1536, 1280, 1024, 768, 640, 512, 384, 320, 256,
                                  192, 160,  128,  96,   80,   64,  48,  40,  32,  24,  20,
                                  16,  12,   10,   8,    6,    5,   4,   3,   2,   1};
const uint16_t kRateOffset[32] = {0,    0,    1040, 536,  0,    1040, 536,  0,    1040, 536,  0,
                                  1040, 536,  0,    1040, 536,  0,    1040, 536,  0,    1040, 536,
                                  0,    1040, 536,  0,    1040, 536,  0,    1040, 0,    0};
// The power of two in each period.
const uint8_t kRateShift[32] = {0, 11, 9, 8, 10, 8, 7, 9, 7, 6, 8, 6, 5, 7, 5, 4,
                                6, 4,  3, 5, 3,  2, 4, 2, 1, 3, 1, 0, 2, 0, 1, 0};
const int kCounterRange = 2048 * 5 * 3;
// Where the counter starts at a snapshot: chosen so that every rate steps in the same
// samples as under the Linux library (libgme).
const int kCounterStart = 2032;

// Register numbers.
enum : uint8_t {
    kMvolL = 0x0C,
    kMvolR = 0x1C,
    kEvolL = 0x2C,
    kEvolR = 0x3C,
    kKon = 0x4C,
    kKoff = 0x5C,
    kFlg = 0x6C,
    kEndx = 0x7C,
    kEfb = 0x0D,
    kPmon = 0x2D,
    kNon = 0x3D,
    kEon = 0x4D,
    kDir = 0x5D,
    kEsa = 0x6D,
    kEdl = 0x7D,
};
// Voice registers, relative to the voice's base (voice * 0x10).
enum : uint8_t {
    kVolL = 0,
    kVolR = 1,
    kPitchL = 2,
    kPitchH = 3,
    kSrcn = 4,
    kAdsr1 = 5,
    kAdsr2 = 6,
    kGain = 7,
};

inline int clamp16(int x) {
    return x < -32768 ? -32768 : x > 32767 ? 32767 : x;
}
inline int wrap16(int x) {
    return static_cast<int16_t>(x);
}
inline int s8(uint8_t r) {
    return static_cast<int8_t>(r);
}

} // namespace

void Dsp::load(const uint8_t regs[128], uint8_t *ram) {
    std::memcpy(regs_, regs, sizeof regs_);
    ram_ = ram;
    for (int i = 0; i < 8; i++) {
        Voice &v = voices_[i];
        v = Voice{};
        v.mode = kRelease;
        v.brrOffset = 1;
    }
    phase_ = 0;
    everyOtherSample_ = true;
    counter_ = kCounterStart;
    noise_ = 0x4000;
    newKon_ = regs_[kKon];
    kon_ = koff_ = 0;
    pmon_ = regs_[kPmon] & 0xFE;
    non_ = regs_[kNon];
    eon_ = regs_[kEon];
    dir_ = regs_[kDir];
    esa_ = regs_[kEsa];
    echoEnabled_ = !(regs_[kFlg] & 0x20);
    echoOffset_ = echoLength_ = 0;
    echoPtr_ = 0;
    std::memset(echoHist_, 0, sizeof echoHist_);
    echoHistPos_ = 0;
    echoIn_[0] = echoIn_[1] = echoOut_[0] = echoOut_[1] = 0;
    dirAddr_ = brrNextAddr_ = 0;
    srcn_ = adsr1_ = brrHeader_ = brrByte_ = looped_ = endxBuf_ = 0;
    pitch_ = output_ = 0;
    mainOut_[0] = mainOut_[1] = echoAcc_[0] = echoAcc_[1] = outLeft_ = 0;
}

void Dsp::write(uint8_t addr, uint8_t value) {
    addr &= 0x7F;
    regs_[addr] = value;
    if (addr == kKon)
        newKon_ = value;
    else if (addr == kEndx)
        regs_[kEndx] = 0; // any write clears every voice's bit
}

// (counter + offset) % period == 0, without a division: each period is 1, 3 or 5 times
// a power of two.
bool Dsp::rateFires(int rate) const {
    const unsigned period = kRatePeriod[rate];
    if (period == 0)
        return false;
    const unsigned x = static_cast<unsigned>(counter_ + kRateOffset[rate]);
    const int shift = kRateShift[rate];
    if (x & ((1u << shift) - 1))
        return false;
    const unsigned odd = period >> shift, q = x >> shift;
    return odd == 1 || (odd == 3 ? q % 3 == 0 : q % 5 == 0);
}

// Four samples of the current block from the two data bytes at the decode position,
// predicted from the two samples decoded last.
void Dsp::decodeBrr(Voice &v) {
    const int nibbles = (brrByte_ << 8) | ram_[(v.brrAddr + v.brrOffset + 1) & 0xFFFF];
    const int shift = brrHeader_ >> 4;
    const int filter = (brrHeader_ >> 2) & 3;
    int *out = &v.buf[v.bufPos];
    int p1 = out[11], p2 = out[10]; // the ring's previous two: 1 and 2 entries back
    for (int i = 0; i < 4; i++) {
        int s = static_cast<int16_t>(nibbles << 4 * i & 0xF000) >> 12;
        s = shift <= 12 ? (s * (1 << shift)) >> 1 : s < 0 ? -2048 : 0;
        const int h = p2 >> 1;
        if (filter == 1)
            s += (p1 >> 1) + ((-p1) >> 5);
        else if (filter == 2)
            s += p1 - h + (h >> 4) + ((p1 * -3) >> 6);
        else if (filter == 3)
            s += p1 - h + ((p1 * -13) >> 7) + ((h * 3) >> 4);
        s = wrap16(clamp16(s) * 2);
        out[i] = out[i + 12] = s;
        p2 = p1;
        p1 = s;
    }
    v.bufPos = v.bufPos == 8 ? 0 : v.bufPos + 4;
}

int Dsp::interpolate(const Voice &v) const {
    const int i = (v.interpPos >> 4) & 0xFF;
    const int *w = &v.buf[v.bufPos + (v.interpPos >> 12)];
    int t = (kGauss[255 - i] * w[0]) >> 11;
    t += (kGauss[511 - i] * w[1]) >> 11;
    t += (kGauss[256 + i] * w[2]) >> 11;
    t = wrap16(t);
    t += (kGauss[i] * w[3]) >> 11;
    return clamp16(t) & ~1;
}

template <int V> void Dsp::runEnvelope() {
    Voice &v = voices_[V];
    int env = v.env;
    if (v.mode == kRelease) {
        env -= 8;
        v.env = env < 0 ? 0 : env;
        return;
    }
    int rate, cand, sustainSrc;
    if (adsr1_ & 0x80) {
        sustainSrc = regs_[V * 0x10 + kAdsr2];
        if (v.mode == kAttack) {
            rate = (adsr1_ & 0x0F) * 2 + 1;
            cand = env + (rate == 31 ? 0x400 : 0x20);
        } else {
            cand = env - 1;
            cand -= cand >> 8;
            rate = v.mode == kDecay ? 16 + ((adsr1_ >> 3) & 0x0E) : sustainSrc & 0x1F;
        }
    } else {
        const int gain = regs_[V * 0x10 + kGain];
        sustainSrc = gain;
        if (gain < 0x80) {
            cand = gain * 16;
            rate = 31;
        } else {
            rate = gain & 0x1F;
            switch (gain >> 5) {
            case 4:
                cand = env - 0x20;
                break;
            case 5:
                cand = env - 1;
                cand -= cand >> 8;
                break;
            case 6:
                cand = env + 0x20;
                break;
            default:
                cand = env + (static_cast<unsigned>(v.hiddenEnv) < 0x600 ? 0x20 : 0x08);
                break;
            }
        }
    }
    if (v.mode == kDecay && (cand >> 8) == (sustainSrc >> 5))
        v.mode = kSustain;
    v.hiddenEnv = cand;
    if (cand < 0 || cand > 0x7FF) {
        cand = cand < 0 ? 0 : 0x7FF;
        if (v.mode == kAttack)
            v.mode = kDecay;
    }
    if (rateFires(rate))
        v.env = cand;
}

// Directory address of the voice whose SRCN was read last; then this voice's SRCN.
template <int V> void Dsp::voice1() {
    dirAddr_ = static_cast<uint16_t>(dir_ * 0x100 + srcn_ * 4);
    srcn_ = regs_[V * 0x10 + kSrcn];
}

template <int V> void Dsp::voice2() {
    Voice &v = voices_[V];
    const uint16_t entry = static_cast<uint16_t>(dirAddr_ + (v.konDelay ? 0 : 2));
    brrNextAddr_ = static_cast<uint16_t>(ram_[entry] | ram_[(entry + 1) & 0xFFFF] << 8);
    adsr1_ = regs_[V * 0x10 + kAdsr1];
    pitch_ = regs_[V * 0x10 + kPitchL];
}

template <int V> void Dsp::voice3a() {
    pitch_ += (regs_[V * 0x10 + kPitchH] & 0x3F) << 8;
}

template <int V> void Dsp::voice3b() {
    Voice &v = voices_[V];
    brrByte_ = ram_[(v.brrAddr + v.brrOffset) & 0xFFFF];
    brrHeader_ = ram_[v.brrAddr];
}

template <int V> void Dsp::voice3c() {
    Voice &v = voices_[V];
    if (pmon_ & (1 << V))
        pitch_ += ((output_ >> 5) * pitch_) >> 10;
    if (v.mode == kRelease && v.env == 0 && !v.konDelay) {
        // Silent, and staying so unless keyed now: the rest would change nothing.
        output_ = 0;
        v.envx = v.outx = 0;
        if (everyOtherSample_ && (kon_ & (1 << V))) {
            v.konDelay = 5;
            v.mode = kAttack;
        }
        return;
    }

    if (v.konDelay) {
        if (v.konDelay == 5) { // the note starts: its first block from the directory
            v.brrAddr = brrNextAddr_;
            v.brrOffset = 1;
            v.bufPos = 0;
            brrHeader_ = 0; // no END test in this sample
        }
        v.env = 0;
        v.hiddenEnv = 0;
        v.konDelay--;
        v.interpPos = (v.konDelay & 3) ? 0x4000 : 0; // three samples decode four each
        pitch_ = 0;
    }

    // Silent at level 0 whatever the sample: the interpolation is skipped then.
    int out = !v.env ? 0 : (non_ & (1 << V)) ? wrap16(noise_ * 2) : interpolate(v);
    out = ((out * v.env) >> 11) & ~1;
    output_ = out;
    v.envx = static_cast<uint8_t>(v.env >> 4);
    v.outx = static_cast<uint8_t>(out >> 8);

    // Soft reset, or a block that ends without looping: silent at once.
    if ((regs_[kFlg] & 0x80) || (brrHeader_ & 3) == 1) {
        v.mode = kRelease;
        v.env = 0;
    }
    if (everyOtherSample_) {
        if (koff_ & (1 << V))
            v.mode = kRelease;
        if (kon_ & (1 << V)) {
            v.konDelay = 5;
            v.mode = kAttack;
        }
    }
    if (!v.konDelay)
        runEnvelope<V>();
}

template <int V> void Dsp::voice4() {
    Voice &v = voices_[V];
    looped_ = 0;
    if (v.interpPos >= 0x4000) {
        decodeBrr(v);
        v.brrOffset += 2;
        if (v.brrOffset >= 9) {
            v.brrAddr = static_cast<uint16_t>(v.brrAddr + 9);
            if (brrHeader_ & 1) {
                v.brrAddr = brrNextAddr_;
                looped_ = (1 << V);
            }
            v.brrOffset = 1;
        }
    }
    v.interpPos = (v.interpPos & 0x3FFF) + pitch_;
    if (v.interpPos > 0x7FFF)
        v.interpPos = 0x7FFF;

    if (output_) { // a silent voice adds nothing
        const int amp = (output_ * s8(regs_[V * 0x10 + kVolL])) >> 7;
        mainOut_[0] = clamp16(mainOut_[0] + amp);
        if (eon_ & (1 << V))
            echoAcc_[0] = clamp16(echoAcc_[0] + amp);
    }
}

template <int V> void Dsp::voice5() {
    Voice &v = voices_[V];
    if (output_) {
        const int amp = (output_ * s8(regs_[V * 0x10 + kVolR])) >> 7;
        mainOut_[1] = clamp16(mainOut_[1] + amp);
        if (eon_ & (1 << V))
            echoAcc_[1] = clamp16(echoAcc_[1] + amp);
    }
    endxBuf_ = regs_[kEndx] | looped_;
    if (v.konDelay == 5)
        endxBuf_ &= ~(1 << V);
}

void Dsp::echoRead(int ch) {
    const int addr = echoPtr_ + ch * 2;
    const int word = static_cast<int16_t>(ram_[addr & 0xFFFF] | ram_[(addr + 1) & 0xFFFF] << 8);
    // The last eight reads, oldest first, at echoHistPos_ + 1 .. + 8 of a doubled ring.
    if (ch == 0)
        echoHistPos_ = (echoHistPos_ + 1) & 7;
    echoHist_[ch][echoHistPos_] = echoHist_[ch][echoHistPos_ + 8] = word >> 1;
}

int Dsp::echoFir(int ch) const {
    const int *h = &echoHist_[ch][echoHistPos_ + 1];
    int sum = (h[0] * s8(regs_[0x0F])) >> 6;
    sum += (h[1] * s8(regs_[0x1F])) >> 6;
    sum += (h[2] * s8(regs_[0x2F])) >> 6;
    sum += (h[3] * s8(regs_[0x3F])) >> 6;
    sum += (h[4] * s8(regs_[0x4F])) >> 6;
    sum += (h[5] * s8(regs_[0x5F])) >> 6;
    sum += (h[6] * s8(regs_[0x6F])) >> 6;
    sum = wrap16(sum);
    sum += wrap16((h[7] * s8(regs_[0x7F])) >> 6);
    return clamp16(sum) & ~1;
}

void Dsp::echoOutputLeft() {
    outLeft_ = clamp16(wrap16((mainOut_[0] * s8(regs_[kMvolL])) >> 7) +
                       wrap16((echoIn_[0] * s8(regs_[kEvolL])) >> 7));
    for (int ch = 0; ch < 2; ch++)
        echoOut_[ch] = clamp16(echoAcc_[ch] + wrap16((echoIn_[ch] * s8(regs_[kEfb])) >> 7)) & ~1;
}

void Dsp::echoOutputRight() {
    int right = clamp16(wrap16((mainOut_[1] * s8(regs_[kMvolR])) >> 7) +
                        wrap16((echoIn_[1] * s8(regs_[kEvolR])) >> 7));
    int left = outLeft_;
    if (regs_[kFlg] & 0x40)
        left = right = 0;
    mainOut_[0] = mainOut_[1] = echoAcc_[0] = echoAcc_[1] = 0;
    out_[written_ * 2] = static_cast<int16_t>(left);
    out_[written_ * 2 + 1] = static_cast<int16_t>(right);
    written_++;
}

void Dsp::echoWrite(int ch) {
    if (!echoEnabled_)
        return;
    const int addr = echoPtr_ + ch * 2;
    ram_[addr & 0xFFFF] = static_cast<uint8_t>(echoOut_[ch]);
    ram_[(addr + 1) & 0xFFFF] = static_cast<uint8_t>(echoOut_[ch] >> 8);
}

void Dsp::misc30() {
    if (everyOtherSample_) {
        kon_ = newKon_;
        koff_ = regs_[kKoff];
    }
    counter_ = (counter_ == 0 ? kCounterRange : counter_) - 1;
    if (rateFires(regs_[kFlg] & 0x1F))
        noise_ = (noise_ >> 1) | (((noise_ ^ (noise_ >> 1)) & 1) << 14);
}

// Runs the clocks from..to-1 of a frame (0 <= from < to <= 32), each clock's work in the
// order the chip does it.
void Dsp::runPhases(int from, int to) {
    switch (from) {
    case 0:
        voice5<0>();
        voice2<1>();
        if (to == 1)
            return;
        [[fallthrough]];
    case 1:
        voice3a<1>();
        voice3b<1>();
        voice3c<1>();
        if (to == 2)
            return;
        [[fallthrough]];
    case 2:
        voice7();
        voice4<1>();
        voice1<3>();
        if (to == 3)
            return;
        [[fallthrough]];
    case 3:
        voice8<0>();
        voice5<1>();
        voice2<2>();
        if (to == 4)
            return;
        [[fallthrough]];
    case 4:
        voice9<0>();
        voice3a<2>();
        voice3b<2>();
        voice3c<2>();
        if (to == 5)
            return;
        [[fallthrough]];
    case 5:
        voice7();
        voice4<2>();
        voice1<4>();
        if (to == 6)
            return;
        [[fallthrough]];
    case 6:
        voice8<1>();
        voice5<2>();
        voice2<3>();
        if (to == 7)
            return;
        [[fallthrough]];
    case 7:
        voice9<1>();
        voice3a<3>();
        voice3b<3>();
        voice3c<3>();
        if (to == 8)
            return;
        [[fallthrough]];
    case 8:
        voice7();
        voice4<3>();
        voice1<5>();
        if (to == 9)
            return;
        [[fallthrough]];
    case 9:
        voice8<2>();
        voice5<3>();
        voice2<4>();
        if (to == 10)
            return;
        [[fallthrough]];
    case 10:
        voice9<2>();
        voice3a<4>();
        voice3b<4>();
        voice3c<4>();
        if (to == 11)
            return;
        [[fallthrough]];
    case 11:
        voice7();
        voice4<4>();
        voice1<6>();
        if (to == 12)
            return;
        [[fallthrough]];
    case 12:
        voice8<3>();
        voice5<4>();
        voice2<5>();
        if (to == 13)
            return;
        [[fallthrough]];
    case 13:
        voice9<3>();
        voice3a<5>();
        voice3b<5>();
        voice3c<5>();
        if (to == 14)
            return;
        [[fallthrough]];
    case 14:
        voice7();
        voice4<5>();
        voice1<7>();
        if (to == 15)
            return;
        [[fallthrough]];
    case 15:
        voice8<4>();
        voice5<5>();
        voice2<6>();
        if (to == 16)
            return;
        [[fallthrough]];
    case 16:
        voice9<4>();
        voice3a<6>();
        voice3b<6>();
        voice3c<6>();
        if (to == 17)
            return;
        [[fallthrough]];
    case 17:
        voice7();
        voice4<6>();
        voice1<0>();
        if (to == 18)
            return;
        [[fallthrough]];
    case 18:
        voice8<5>();
        voice5<6>();
        voice2<7>();
        if (to == 19)
            return;
        [[fallthrough]];
    case 19:
        voice9<5>();
        voice3a<7>();
        voice3b<7>();
        voice3c<7>();
        if (to == 20)
            return;
        [[fallthrough]];
    case 20:
        voice7();
        voice4<7>();
        voice1<1>();
        if (to == 21)
            return;
        [[fallthrough]];
    case 21:
        voice8<6>();
        voice5<7>();
        voice2<0>();
        if (to == 22)
            return;
        [[fallthrough]];
    case 22:
        voice9<6>();
        voice3a<0>();
        echoPtr_ = static_cast<uint16_t>(esa_ * 0x100 + echoOffset_);
        echoRead(0);
        if (to == 23)
            return;
        [[fallthrough]];
    case 23:
        voice7();
        echoRead(1);
        if (to == 24)
            return;
        [[fallthrough]];
    case 24:
        voice8<7>();
        if (to == 25)
            return;
        [[fallthrough]];
    case 25:
        voice9<7>();
        voice3b<0>();
        echoIn_[0] = echoFir(0);
        echoIn_[1] = echoFir(1);
        if (to == 26)
            return;
        [[fallthrough]];
    case 26:
        echoOutputLeft();
        if (to == 27)
            return;
        [[fallthrough]];
    case 27:
        pmon_ = regs_[kPmon] & 0xFE;
        echoOutputRight();
        if (to == 28)
            return;
        [[fallthrough]];
    case 28:
        non_ = regs_[kNon];
        eon_ = regs_[kEon];
        dir_ = regs_[kDir];
        echoEnabled_ = !(regs_[kFlg] & 0x20);
        if (to == 29)
            return;
        [[fallthrough]];
    case 29:
        everyOtherSample_ = !everyOtherSample_;
        if (everyOtherSample_)
            newKon_ &= ~kon_; // the voices keyed at the last poll
        esa_ = regs_[kEsa];
        if (!echoOffset_)
            echoLength_ = (regs_[kEdl] & 0x0F) * 0x800;
        echoOffset_ += 4;
        if (echoOffset_ >= echoLength_)
            echoOffset_ = 0;
        echoWrite(0);
        echoEnabled_ = !(regs_[kFlg] & 0x20);
        if (to == 30)
            return;
        [[fallthrough]];
    case 30:
        misc30();
        echoWrite(1);
        voice3c<0>();
        if (to == 31)
            return;
        [[fallthrough]];
    default:
        voice4<0>();
        voice1<2>();
    }
}

int Dsp::run(int clocks, int16_t *out) {
    out_ = out;
    written_ = 0;
    while (clocks > 0) {
        const int to = phase_ + clocks < 32 ? phase_ + clocks : 32;
        runPhases(phase_, to);
        clocks -= to - phase_;
        phase_ = to & 31;
    }
    return written_;
}

} // namespace spc
