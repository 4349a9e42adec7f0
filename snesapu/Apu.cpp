#include "Apu.h"

#include <cstring>

namespace spc {

namespace {

// Clocks per instruction; conditional branches add 2 when taken. SLEEP and STOP never end.
const uint8_t kCycles[256] = {
    2, 8, 4, 5, 3, 4, 3, 6, 2, 6, 5, 4, 5, 4, 6,  8, //
    2, 8, 4, 5, 4, 5, 5, 6, 5, 5, 6, 5, 2, 2, 4,  6, //
    2, 8, 4, 5, 3, 4, 3, 6, 2, 6, 5, 4, 5, 4, 5,  4, //
    2, 8, 4, 5, 4, 5, 5, 6, 5, 5, 6, 5, 2, 2, 3,  8, //
    2, 8, 4, 5, 3, 4, 3, 6, 2, 6, 4, 4, 5, 4, 6,  6, //
    2, 8, 4, 5, 4, 5, 5, 6, 5, 5, 4, 5, 2, 2, 4,  3, //
    2, 8, 4, 5, 3, 4, 3, 6, 2, 6, 4, 4, 5, 4, 5,  5, //
    2, 8, 4, 5, 4, 5, 5, 6, 5, 5, 5, 5, 2, 2, 3,  6, //
    2, 8, 4, 5, 3, 4, 3, 6, 2, 6, 5, 4, 5, 2, 4,  5, //
    2, 8, 4, 5, 4, 5, 5, 6, 5, 5, 5, 5, 2, 2, 12, 5, //
    3, 8, 4, 5, 3, 4, 3, 6, 2, 6, 4, 4, 5, 2, 4,  4, //
    2, 8, 4, 5, 4, 5, 5, 6, 5, 5, 5, 5, 2, 2, 3,  4, //
    3, 8, 4, 5, 4, 5, 4, 7, 2, 5, 6, 4, 5, 2, 4,  9, //
    2, 8, 4, 5, 5, 6, 6, 7, 4, 5, 5, 5, 2, 2, 6,  3, //
    2, 8, 4, 5, 3, 4, 3, 6, 2, 4, 5, 3, 4, 3, 4,  2, //
    2, 8, 4, 5, 4, 5, 5, 6, 3, 4, 5, 4, 2, 2, 4,  2, //
};

const char kSignature[] = "SNES-SPC700 Sound File Data";

} // namespace

bool Apu::load(const uint8_t *image) {
    loaded_ = image && std::memcmp(image, kSignature, sizeof kSignature - 1) == 0;
    carried_ = 0;
    if (!loaded_)
        return false;
    const uint8_t *regs = image + 0x25;
    regs_.pc = static_cast<uint16_t>(regs[0] | regs[1] << 8);
    regs_.a = regs[2];
    regs_.x = regs[3];
    regs_.y = regs[4];
    const uint8_t psw = regs[5];
    regs_.n = psw & 0x80, regs_.v = psw & 0x40, regs_.p = psw & 0x20, regs_.b = psw & 0x10;
    regs_.h = psw & 0x08, regs_.i = psw & 0x04, regs_.z = psw & 0x02, regs_.c = psw & 0x01;
    regs_.sp = regs[6];
    halted_ = false;

    std::memcpy(ram_, image + 0x100, sizeof ram_);
    const uint8_t *dspRegs = image + 0x10100;
    // The boot ROM's range: with CONTROL bit 7 set at the snapshot, the image holds what
    // the processor read there and the extra 64 bytes hold the RAM underneath.
    std::memcpy(rom_, ram_ + 0xFFC0, sizeof rom_);
    romMapped_ = ram_[0xF1] & 0x80;
    if (romMapped_)
        std::memcpy(ram_ + 0xFFC0, image + 0x101C0, 64);

    // The I/O registers from their RAM bytes; timers keep their loaded counts.
    dspAddr_ = ram_[0xF2];
    std::memcpy(inPorts_, ram_ + 0xF4, 4);
    for (int t = 0; t < 3; t++) {
        timers_[t].enabled = ram_[0xF1] >> t & 1;
        timers_[t].target = ram_[0xFA + t];
        timers_[t].count = 0;
        timers_[t].out = ram_[0xFD + t] & 0x0F;
    }

    dsp_.load(dspRegs, ram_);
    // Echo writes enabled at the snapshot: the buffer starts filled with 0xFF, as under the
    // libgme library (what the chip held there is not in the file).
    if (!(dspRegs[0x6C] & 0x20)) {
        const int start = dspRegs[0x6D] * 0x100;
        const int end = start + (dspRegs[0x7D] & 0x0F) * 0x800;
        for (int at = start; at < end && at < 0x10000; at++)
            ram_[at] = 0xFF;
    }
    cpuTime_ = dspTime_ = timerTime_ = renderedTime_ = 0;
    return true;
}

void Apu::tickTimer(Timer &t) {
    if (!t.enabled)
        return;
    if (++t.count == t.target) {
        t.count = 0;
        t.out = (t.out + 1) & 0x0F;
    }
}

void Apu::deliver(const int16_t pair[2]) {
    if (outLeft_ > 0) {
        out_[0] = pair[0];
        out_[1] = pair[1];
        out_ += 2;
        outLeft_--;
    } else if (carried_ < 4) {
        carry_[carried_ * 2] = pair[0];
        carry_[carried_ * 2 + 1] = pair[1];
        carried_++;
    }
}

// Runs the sound processor up to the given clock.
void Apu::syncDsp(int64_t until) {
    while (dspTime_ < until) {
        const int n = until - dspTime_ < 4096 ? static_cast<int>(until - dspTime_) : 4096;
        int16_t pairs[2 * (4096 / 32 + 1)];
        const int made = dsp_.run(n, pairs);
        for (int k = 0; k < made; k++)
            deliver(&pairs[k * 2]);
        dspTime_ += n;
    }
}

// Applies the timers' ticks of the clocks before the given one. They are locked to the
// sound processor's frame: timer 2 ticks on clocks 0 and 16 of every frame, timers 0 and
// 1 on clock 0 of every fourth.
void Apu::syncTimers(int64_t until) {
    int64_t t = (timerTime_ + 15) & ~int64_t{15};
    for (; t < until; t += 16) {
        tickTimer(timers_[2]);
        if ((t & 127) == 0) {
            tickTimer(timers_[0]);
            tickTimer(timers_[1]);
        }
    }
    if (until > timerTime_)
        timerTime_ = until;
}

uint8_t Apu::ioRead(unsigned addr) {
    switch (addr) {
    case 0xF2:
        return dspAddr_;
    case 0xF3:
        syncDsp(ioTime_);
        return dsp_.read(dspAddr_);
    case 0xF4:
    case 0xF5:
    case 0xF6:
    case 0xF7:
        return inPorts_[addr - 0xF4];
    case 0xF8:
    case 0xF9:
        return ram_[addr];
    case 0xFD:
    case 0xFE:
    case 0xFF: {
        syncTimers(ioTime_);
        Timer &t = timers_[addr - 0xFD];
        const uint8_t v = t.out;
        t.out = 0;
        return v;
    }
    default:
        return 0; // TEST, CONTROL and the targets read as 0
    }
}

void Apu::ioWrite(unsigned addr, uint8_t v) {
    switch (addr) {
    case 0xF1:
        syncTimers(ioTime_);
        for (int t = 0; t < 3; t++) {
            const bool on = v >> t & 1;
            if (on && !timers_[t].enabled)
                timers_[t].count = timers_[t].out = 0;
            timers_[t].enabled = on;
        }
        if (v & 0x10)
            inPorts_[0] = inPorts_[1] = 0;
        if (v & 0x20)
            inPorts_[2] = inPorts_[3] = 0;
        romMapped_ = v & 0x80;
        break;
    case 0xF2:
        dspAddr_ = v;
        break;
    case 0xF3:
        if (dspAddr_ < 0x80) {
            syncDsp(ioTime_);
            dsp_.write(dspAddr_, v);
        }
        break;
    case 0xFA:
    case 0xFB:
    case 0xFC: // TEST is left alone; the output ports and AUX are plain RAM here
        syncTimers(ioTime_);
        timers_[addr - 0xFA].target = v;
        break;
    default:
        break;
    }
}

void Apu::render(int16_t *out, int frames) {
    if (!out || frames <= 0)
        return;
    if (!loaded_) {
        std::memset(out, 0, static_cast<size_t>(frames) * 4);
        return;
    }
    int from = 0;
    for (; from < carried_ && frames > 0; from++, frames--) {
        *out++ = carry_[from * 2];
        *out++ = carry_[from * 2 + 1];
    }
    std::memmove(carry_, carry_ + from * 2, static_cast<size_t>(carried_ - from) * 4);
    carried_ -= from;
    if (frames == 0)
        return;
    out_ = out;
    outLeft_ = frames;
    const int64_t target = renderedTime_ + static_cast<int64_t>(frames) * 32;
    renderedTime_ = target;
    runCpu(target);
    syncDsp(target);
    syncTimers(target);
    // A sample finishes every 32 clocks: anything missing was never due, but a short
    // buffer must not reach the caller as garbage.
    while (outLeft_ > 0) {
        out_[0] = out_[1] = 0;
        out_ += 2;
        outLeft_--;
    }
}

// Turns of the 7-clock timer wait loop whose read, in its 3rd clock, has just found the
// counter at 0 (the current instruction, started at cpuTime_), up to the first turn whose
// read sees the counter's next step, or the first that starts at or after `until`.
int64_t Apu::idleTurns(const Timer &t, bool fast, int64_t until) const {
    const int64_t start = cpuTime_;
    int64_t turns = (until - start + 6) / 7;
    if (t.enabled) {
        // Prescaler ticks on multiples of 16 or 128 clocks; ticks before ioTime_ are counted.
        const int period = fast ? 16 : 128;
        const int64_t next = (ioTime_ + period - 1) / period * period;
        const int remaining = ((t.target - t.count - 1) & 0xFF) + 1;
        const int64_t step = next + static_cast<int64_t>(remaining - 1) * period;
        const int64_t seen = (step - start - 3) / 7 + 1; // read at start + 7k + 3 > step
        if (seen < turns)
            turns = seen;
    }
    return turns;
}

// The processor, an instruction at a time, until the given clock. Register accesses
// happen in the instruction's last clock: the sound processor is run up to it first.
void Apu::runCpu(int64_t until) {
    if (halted_) {
        cpuTime_ = until > cpuTime_ ? until : cpuTime_;
        return;
    }
    Registers cpu = regs_; // in locals while running; stored back on the way out
    auto fetch = [&]() { return read(cpu.pc++); };
    auto fetch16 = [&]() {
        const unsigned lo = fetch();
        return static_cast<uint16_t>(lo | fetch() << 8);
    };
    auto dp = [&](unsigned d) { return (cpu.p ? 0x100u : 0u) | (d & 0xFF); };
    auto read16dp = [&](unsigned d) {
        const unsigned lo = read(dp(d));
        return static_cast<uint16_t>(lo | read(dp(d + 1)) << 8);
    };
    auto read16 = [&](unsigned addr) {
        const unsigned lo = read(addr & 0xFFFF);
        return static_cast<uint16_t>(lo | read((addr + 1) & 0xFFFF) << 8);
    };
    // Stores read their destination first (a timer counter stored to is cleared).
    auto store = [&](unsigned addr, uint8_t v) {
        read(addr);
        write(addr, v);
    };
    auto setNZ = [&](unsigned r) {
        cpu.n = r & 0x80;
        cpu.z = (r & 0xFF) == 0;
        return static_cast<uint8_t>(r);
    };
    auto push = [&](uint8_t v) { write(0x100u | cpu.sp--, v); };
    auto pop = [&]() { return read(0x100u | ++cpu.sp); };
    auto adc = [&](unsigned a, unsigned b) {
        const unsigned r = a + b + cpu.c;
        cpu.v = ~(a ^ b) & (a ^ r) & 0x80;
        cpu.h = (a ^ b ^ r) & 0x10;
        cpu.c = r > 0xFF;
        return setNZ(r);
    };
    auto cmp = [&](unsigned a, unsigned b) {
        const unsigned r = a - b;
        cpu.n = r & 0x80;
        cpu.z = (r & 0xFF) == 0;
        cpu.c = a >= b;
    };
    // The six operations of the arithmetic rows, by opcode bits 7-5: OR, AND, EOR,
    // CMP, ADC, SBC. CMP leaves its first operand as it was.
    auto alu = [&](unsigned op, unsigned a, unsigned b) -> uint8_t {
        switch (op >> 5) {
        case 0:
            return setNZ(a | b);
        case 1:
            return setNZ(a & b);
        case 2:
            return setNZ(a ^ b);
        case 3:
            cmp(a, b);
            return static_cast<uint8_t>(a);
        case 4:
            return adc(a, b);
        default:
            return adc(a, b ^ 0xFF);
        }
    };
    // Shifts and steps of a value, by opcode bits 7-5: ASL, ROL, LSR, ROR (the rotates
    // through the carry), DEC, INC.
    auto shift = [&](unsigned op, unsigned m) -> uint8_t {
        const bool carry = cpu.c;
        switch (op >> 5) {
        case 0:
        case 1:
            cpu.c = m & 0x80;
            return setNZ(m << 1 | (op >> 5 == 1 ? carry : 0));
        case 2:
        case 3:
            cpu.c = m & 1;
            return setNZ(m >> 1 | (op >> 5 == 3 ? carry << 7 : 0));
        case 4:
            return setNZ(m - 1);
        default:
            return setNZ(m + 1);
        }
    };
    auto psw = [&]() {
        return static_cast<uint8_t>(cpu.n << 7 | cpu.v << 6 | cpu.p << 5 | cpu.b << 4 | cpu.h << 3 |
                                    cpu.i << 2 | cpu.z << 1 | cpu.c);
    };
    auto setPsw = [&](uint8_t f) {
        cpu.n = f & 0x80, cpu.v = f & 0x40, cpu.p = f & 0x20, cpu.b = f & 0x10;
        cpu.h = f & 0x08, cpu.i = f & 0x04, cpu.z = f & 0x02, cpu.c = f & 0x01;
    };
    auto call = [&](uint16_t to) {
        push(static_cast<uint8_t>(cpu.pc >> 8));
        push(static_cast<uint8_t>(cpu.pc));
        cpu.pc = to;
    };

    while (cpuTime_ < until) {
        if (cpu.pc >= 0xFFC0 && romMapped_) {
            halted_ = true; // the boot loader would wait for the console for ever
            cpuTime_ = until;
            break;
        }
        const unsigned op = fetch();
        int cycles = kCycles[op];
        ioTime_ = cpuTime_ + cycles;
        auto branch = [&](bool taken, uint8_t rel) {
            if (taken) {
                cpu.pc = static_cast<uint16_t>(cpu.pc + static_cast<int8_t>(rel));
                cycles += 2;
            }
        };
        const unsigned row = op >> 4, col = op & 0x0F;
        if (col == 0x01) { // TCALL n
            call(read16(0xFFDE - 2 * row));
        } else if (col == 0x02) { // SET1 / CLR1 dp.bit
            const unsigned d = dp(fetch());
            const uint8_t bit = static_cast<uint8_t>(1 << (op >> 5));
            const uint8_t m = read(d);
            write(d, (op & 0x10) ? m & ~bit : m | bit);
        } else if (col == 0x03) { // BBS / BBC dp.bit, rel
            const uint8_t m = read(dp(fetch()));
            const uint8_t rel = fetch();
            const bool set = m >> (op >> 5) & 1;
            branch((op & 0x10) ? !set : set, rel);
        } else if (col == 0x00 && (row & 1)) { // BPL BMI BVC BVS BCC BCS BNE BEQ
            const bool flags[4] = {cpu.n, cpu.v, cpu.c, cpu.z};
            branch(flags[row >> 2] == ((row & 2) != 0), fetch());
        } else if (row < 0x0C && col >= 0x04 && col <= 0x09) { // the arithmetic rows
            const bool odd = row & 1;
            unsigned addr;
            switch (col) {
            case 0x04: // dp / dp+X
                addr = dp(fetch() + (odd ? cpu.x : 0));
                cpu.a = alu(op, cpu.a, read(addr));
                break;
            case 0x05: // abs / abs+X
                addr = (fetch16() + (odd ? cpu.x : 0)) & 0xFFFF;
                cpu.a = alu(op, cpu.a, read(addr));
                break;
            case 0x06: // (X) / abs+Y
                addr = odd ? (fetch16() + cpu.y) & 0xFFFF : dp(cpu.x);
                cpu.a = alu(op, cpu.a, read(addr));
                break;
            case 0x07: // [dp+X] / [dp]+Y
                addr = odd ? (read16dp(fetch()) + cpu.y) & 0xFFFF : read16dp(fetch() + cpu.x);
                cpu.a = alu(op, cpu.a, read(addr));
                break;
            case 0x08:
                if (!odd) { // A, #imm
                    cpu.a = alu(op, cpu.a, fetch());
                } else { // dp, #imm
                    const uint8_t imm = fetch();
                    addr = dp(fetch());
                    const uint8_t r = alu(op, read(addr), imm);
                    if ((op >> 5) != 3)
                        write(addr, r);
                }
                break;
            default: { // dp, dp / (X), (Y)
                unsigned dst;
                uint8_t src;
                if (!odd) {
                    src = read(dp(fetch()));
                    dst = dp(fetch());
                } else {
                    src = read(dp(cpu.y));
                    dst = dp(cpu.x);
                }
                const uint8_t r = alu(op, read(dst), src);
                if ((op >> 5) != 3)
                    write(dst, r);
                break;
            }
            }
        } else {
            switch (op) {
            // Flags and no-ops.
            case 0x00: // NOP
                break;
            case 0x20: // CLRP
                cpu.p = false;
                break;
            case 0x40: // SETP
                cpu.p = true;
                break;
            case 0x60: // CLRC
                cpu.c = false;
                break;
            case 0x80: // SETC
                cpu.c = true;
                break;
            case 0xA0: // EI
                cpu.i = true;
                break;
            case 0xC0: // DI
                cpu.i = false;
                break;
            case 0xE0: // CLRV
                cpu.v = cpu.h = false;
                break;
            case 0xED: // NOTC
                cpu.c = !cpu.c;
                break;

            // Loads and stores, A.
            case 0xC4:
                store(dp(fetch()), cpu.a);
                break;
            case 0xD4:
                store(dp(fetch() + cpu.x), cpu.a);
                break;
            case 0xC5:
                store(fetch16(), cpu.a);
                break;
            case 0xD5:
                store((fetch16() + cpu.x) & 0xFFFF, cpu.a);
                break;
            case 0xC6:
                store(dp(cpu.x), cpu.a);
                break;
            case 0xD6:
                store((fetch16() + cpu.y) & 0xFFFF, cpu.a);
                break;
            case 0xC7:
                store(read16dp(fetch() + cpu.x), cpu.a);
                break;
            case 0xD7:
                store((read16dp(fetch()) + cpu.y) & 0xFFFF, cpu.a);
                break;
            case 0xE4: {
                const unsigned addr = dp(fetch());
                cpu.a = setNZ(read(addr));
                // MOV A,TnOUT / BEQ back: the wait for a timer. While the counter reads 0
                // the loop only spends time: go on at the turn whose read sees the tick.
                if (cpu.a == 0 && addr - 0xFDu < 3u && peek(cpu.pc) == 0xF0 &&
                    peek((cpu.pc + 1) & 0xFFFF) == 0xFC) {
                    const int64_t turns = idleTurns(timers_[addr - 0xFD], addr == 0xFF, until);
                    if (turns > 1) {
                        cpu.pc = static_cast<uint16_t>(cpu.pc - 2);
                        cpuTime_ += turns * 7;
                        continue;
                    }
                }
                break;
            }
            case 0xF4:
                cpu.a = setNZ(read(dp(fetch() + cpu.x)));
                break;
            case 0xE5:
                cpu.a = setNZ(read(fetch16()));
                break;
            case 0xF5:
                cpu.a = setNZ(read((fetch16() + cpu.x) & 0xFFFF));
                break;
            case 0xE6:
                cpu.a = setNZ(read(dp(cpu.x)));
                break;
            case 0xF6:
                cpu.a = setNZ(read((fetch16() + cpu.y) & 0xFFFF));
                break;
            case 0xE7:
                cpu.a = setNZ(read(read16dp(fetch() + cpu.x)));
                break;
            case 0xF7:
                cpu.a = setNZ(read((read16dp(fetch()) + cpu.y) & 0xFFFF));
                break;
            case 0xE8:
                cpu.a = setNZ(fetch());
                break;
            case 0xAF: // MOV (X)+,A: no read first
                write(dp(cpu.x++), cpu.a);
                break;
            case 0xBF: // MOV A,(X)+
                cpu.a = setNZ(read(dp(cpu.x++)));
                break;

            // X and Y.
            case 0xC8:
                cmp(cpu.x, fetch());
                break;
            case 0xD8:
                store(dp(fetch()), cpu.x);
                break;
            case 0xF8:
                cpu.x = setNZ(read(dp(fetch())));
                break;
            case 0xC9:
                store(fetch16(), cpu.x);
                break;
            case 0xD9:
                store(dp(fetch() + cpu.y), cpu.x);
                break;
            case 0xE9:
                cpu.x = setNZ(read(fetch16()));
                break;
            case 0xF9:
                cpu.x = setNZ(read(dp(fetch() + cpu.y)));
                break;
            case 0xCB:
                store(dp(fetch()), cpu.y);
                break;
            case 0xDB:
                store(dp(fetch() + cpu.x), cpu.y);
                break;
            case 0xEB:
                cpu.y = setNZ(read(dp(fetch())));
                break;
            case 0xFB:
                cpu.y = setNZ(read(dp(fetch() + cpu.x)));
                break;
            case 0xCC:
                store(fetch16(), cpu.y);
                break;
            case 0xEC:
                cpu.y = setNZ(read(fetch16()));
                break;
            case 0x8D:
                cpu.y = setNZ(fetch());
                break;
            case 0xCD:
                cpu.x = setNZ(fetch());
                break;
            case 0xAD:
                cmp(cpu.y, fetch());
                break;
            case 0x1E:
                cmp(cpu.x, read(fetch16()));
                break;
            case 0x3E:
                cmp(cpu.x, read(dp(fetch())));
                break;
            case 0x5E:
                cmp(cpu.y, read(fetch16()));
                break;
            case 0x7E:
                cmp(cpu.y, read(dp(fetch())));
                break;
            case 0x8F: { // MOV dp,#imm
                const uint8_t imm = fetch();
                store(dp(fetch()), imm);
                break;
            }
            case 0xFA: { // MOV dp,dp: no read of the destination
                const uint8_t v = read(dp(fetch()));
                write(dp(fetch()), v);
                break;
            }

            // Register moves.
            case 0x5D:
                cpu.x = setNZ(cpu.a);
                break;
            case 0x7D:
                cpu.a = setNZ(cpu.x);
                break;
            case 0xDD:
                cpu.a = setNZ(cpu.y);
                break;
            case 0xFD:
                cpu.y = setNZ(cpu.a);
                break;
            case 0x9D:
                cpu.x = setNZ(cpu.sp);
                break;
            case 0xBD:
                cpu.sp = cpu.x;
                break;

            // Shifts, increments and decrements: dp, dp+X, abs and the registers.
            case 0x0B:
            case 0x2B:
            case 0x4B:
            case 0x6B:
            case 0x8B:
            case 0xAB: {
                const unsigned d = dp(fetch());
                write(d, shift(op, read(d)));
                break;
            }
            case 0x1B:
            case 0x3B:
            case 0x5B:
            case 0x7B:
            case 0x9B:
            case 0xBB: {
                const unsigned d = dp(fetch() + cpu.x);
                write(d, shift(op, read(d)));
                break;
            }
            case 0x0C:
            case 0x2C:
            case 0x4C:
            case 0x6C:
            case 0x8C:
            case 0xAC: {
                const unsigned d = fetch16();
                write(d, shift(op, read(d)));
                break;
            }
            case 0x1C:
            case 0x3C:
            case 0x5C:
            case 0x7C:
            case 0x9C:
            case 0xBC:
                cpu.a = shift(op, cpu.a);
                break;
            case 0x1D:
                cpu.x = setNZ(cpu.x - 1);
                break;
            case 0x3D:
                cpu.x = setNZ(cpu.x + 1);
                break;
            case 0xDC:
                cpu.y = setNZ(cpu.y - 1);
                break;
            case 0xFC:
                cpu.y = setNZ(cpu.y + 1);
                break;

            // 16-bit operations on a direct-page word.
            case 0x1A:
            case 0x3A: { // DECW / INCW
                const unsigned d = fetch();
                const unsigned w = (read16dp(d) + (op == 0x3A ? 1 : 0xFFFF)) & 0xFFFF;
                write(dp(d), static_cast<uint8_t>(w));
                write(dp(d + 1), static_cast<uint8_t>(w >> 8));
                cpu.n = w & 0x8000;
                cpu.z = w == 0;
                break;
            }
            case 0x5A: { // CMPW YA,dp
                const unsigned ya = cpu.y << 8 | cpu.a, m = read16dp(fetch());
                const unsigned r = ya - m;
                cpu.n = r & 0x8000;
                cpu.z = (r & 0xFFFF) == 0;
                cpu.c = ya >= m;
                break;
            }
            case 0x7A:
            case 0x9A: { // ADDW / SUBW YA,dp: the carry is not an input
                const unsigned ya = cpu.y << 8 | cpu.a;
                unsigned m = read16dp(fetch());
                unsigned r;
                if (op == 0x7A) {
                    r = ya + m;
                    cpu.c = r > 0xFFFF;
                } else {
                    r = ya - m;
                    cpu.c = ya >= m;
                    m ^= 0xFFFF; // as an addition of the complement, for V and H
                }
                cpu.v = ~(ya ^ m) & (ya ^ r) & 0x8000;
                cpu.h = ((ya ^ m ^ r) & 0x1000) != 0;
                cpu.a = static_cast<uint8_t>(r);
                cpu.y = static_cast<uint8_t>(r >> 8);
                cpu.n = r & 0x8000;
                cpu.z = (r & 0xFFFF) == 0;
                break;
            }
            case 0xBA: { // MOVW YA,dp
                const unsigned d = fetch();
                cpu.a = read(dp(d));
                cpu.y = read(dp(d + 1));
                cpu.n = cpu.y & 0x80;
                cpu.z = (cpu.a | cpu.y) == 0;
                break;
            }
            case 0xDA: { // MOVW dp,YA: reads the low byte only; A one clock before Y
                const unsigned d = fetch();
                read(dp(d));
                ioTime_--;
                write(dp(d), cpu.a);
                ioTime_++;
                write(dp(d + 1), cpu.y);
                break;
            }

            // Carry and memory bits: a 13-bit address and a bit number.
            case 0x0A:
            case 0x2A:
            case 0x4A:
            case 0x6A:
            case 0x8A:
            case 0xAA:
            case 0xCA:
            case 0xEA: {
                const uint16_t operand = fetch16();
                const unsigned addr = operand & 0x1FFF, bit = operand >> 13;
                const uint8_t m = read(addr);
                const bool b = m >> bit & 1;
                switch (op) {
                case 0x0A:
                    cpu.c = cpu.c || b;
                    break;
                case 0x2A:
                    cpu.c = cpu.c || !b;
                    break;
                case 0x4A:
                    cpu.c = cpu.c && b;
                    break;
                case 0x6A:
                    cpu.c = cpu.c && !b;
                    break;
                case 0x8A:
                    cpu.c = cpu.c != b;
                    break;
                case 0xAA:
                    cpu.c = b;
                    break;
                case 0xCA:
                    write(addr, static_cast<uint8_t>((m & ~(1 << bit)) | cpu.c << bit));
                    break;
                default:
                    write(addr, static_cast<uint8_t>(m ^ (1 << bit)));
                    break;
                }
                break;
            }
            case 0x0E:
            case 0x4E: { // TSET1 / TCLR1 abs
                const unsigned addr = fetch16();
                const uint8_t m = read(addr);
                setNZ(cpu.a - m);
                write(addr, op == 0x0E ? m | cpu.a : m & ~cpu.a);
                break;
            }

            // Multiply, divide, decimal adjust, nibble swap.
            case 0xCF: { // MUL YA
                const unsigned r = cpu.y * cpu.a;
                cpu.a = static_cast<uint8_t>(r);
                cpu.y = static_cast<uint8_t>(r >> 8);
                cpu.n = cpu.y & 0x80;
                cpu.z = cpu.y == 0;
                break;
            }
            case 0x9E: { // DIV YA,X
                const unsigned ya = cpu.y << 8 | cpu.a, x = cpu.x, y = cpu.y;
                cpu.v = y >= x;
                cpu.h = (y & 0x0F) >= (x & 0x0F);
                if (y < 2 * x) {
                    cpu.a = static_cast<uint8_t>(ya / x);
                    cpu.y = static_cast<uint8_t>(ya % x);
                } else {
                    cpu.a = static_cast<uint8_t>(255 - (ya - 512 * x) / (256 - x));
                    cpu.y = static_cast<uint8_t>(x + (ya - 512 * x) % (256 - x));
                }
                setNZ(cpu.a);
                break;
            }
            case 0xDF: // DAA
                if (cpu.c || cpu.a > 0x99) {
                    cpu.a += 0x60;
                    cpu.c = true;
                }
                if (cpu.h || (cpu.a & 0x0F) > 9)
                    cpu.a += 6;
                setNZ(cpu.a);
                break;
            case 0xBE: // DAS
                if (!cpu.c || cpu.a > 0x99) {
                    cpu.a -= 0x60;
                    cpu.c = false;
                }
                if (!cpu.h || (cpu.a & 0x0F) > 9)
                    cpu.a -= 6;
                setNZ(cpu.a);
                break;
            case 0x9F: // XCN
                cpu.a = setNZ(cpu.a >> 4 | cpu.a << 4);
                break;

            // Branches, jumps, calls and the stack.
            case 0x2F: // BRA: 4 clocks in all
                branch(true, fetch());
                cycles -= 2;
                break;
            case 0x2E: { // CBNE dp,rel
                const uint8_t m = read(dp(fetch()));
                branch(cpu.a != m, fetch());
                break;
            }
            case 0xDE: { // CBNE dp+X,rel
                const uint8_t m = read(dp(fetch() + cpu.x));
                branch(cpu.a != m, fetch());
                break;
            }
            case 0x6E: { // DBNZ dp,rel
                const unsigned d = dp(fetch());
                const uint8_t m = static_cast<uint8_t>(read(d) - 1);
                write(d, m);
                branch(m != 0, fetch());
                break;
            }
            case 0xFE: // DBNZ Y,rel
                cpu.y--;
                branch(cpu.y != 0, fetch());
                break;
            case 0x5F: // JMP abs
                cpu.pc = fetch16();
                break;
            case 0x1F: // JMP [abs+X]
                cpu.pc = read16((fetch16() + cpu.x) & 0xFFFF);
                break;
            case 0x3F: // CALL
                call(fetch16());
                break;
            case 0x4F: // PCALL
                call(0xFF00 | fetch());
                break;
            case 0x7F: // RETI
                setPsw(pop());
                [[fallthrough]];
            case 0x6F: { // RET
                const unsigned lo = pop();
                cpu.pc = static_cast<uint16_t>(lo | pop() << 8);
                break;
            }
            case 0x0F: { // BRK
                push(static_cast<uint8_t>(cpu.pc >> 8));
                push(static_cast<uint8_t>(cpu.pc));
                push(psw());
                cpu.b = true;
                cpu.i = false;
                cpu.pc = read16(0xFFDE);
                break;
            }
            case 0x0D:
                push(psw());
                break;
            case 0x2D:
                push(cpu.a);
                break;
            case 0x4D:
                push(cpu.x);
                break;
            case 0x6D:
                push(cpu.y);
                break;
            case 0x8E:
                setPsw(pop());
                break;
            case 0xAE:
                cpu.a = pop();
                break;
            case 0xCE:
                cpu.x = pop();
                break;
            case 0xEE:
                cpu.y = pop();
                break;

            default: // SLEEP, STOP: the processor stops, time goes on
                halted_ = true;
                cpuTime_ = until;
                regs_ = cpu;
                return;
            }
        }
        cpuTime_ += cycles;
    }
    regs_ = cpu;
}

} // namespace spc
