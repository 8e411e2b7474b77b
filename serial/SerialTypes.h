// SPDX-License-Identifier: GPL-3.0-or-later
// The serial port's setting types. Each enumeration is one byte and its ordinal is
// its position in the list, from 0; the sets are bit sets by ordinal.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace skyvane {

enum TBaudRate : std::uint8_t {
    brCustom, br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200,
    br38400, br56000, br57600, br115200, br128000, br256000
};
// The last member of TBaudRate.
inline constexpr TBaudRate LastBaudRate = br256000;

// The bits per second a standard rate stands for; 0 for brCustom (which uses the
// port's CustomBaudRate) and for values outside the enumeration.
constexpr std::int32_t BaudRateNumber(TBaudRate rate) {
    constexpr std::int32_t numbers[] = {0,     110,   300,   600,   1200,  2400,   4800,   9600,
                                        14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
    return rate <= LastBaudRate ? numbers[rate] : 0;
}

enum TDataBits : std::uint8_t { dbFive, dbSix, dbSeven, dbEight };
enum TStopBits : std::uint8_t { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum TParityBits : std::uint8_t { prNone, prOdd, prEven, prMark, prSpace };
enum TDTRFlowControl : std::uint8_t { dtrDisable, dtrEnable, dtrHandshake };
enum TRTSFlowControl : std::uint8_t { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };
enum TFlowControl : std::uint8_t { fcHardware, fcSoftware, fcNone, fcCustom };
enum TSerialEvent : std::uint8_t {
    evRxChar, evTxEmpty, evRxFlag, evRing, evBreak, evCTS, evDSR, evError, evRLSD, evRx80Full
};
enum TSerialError : std::uint8_t {
    ceFrame, ceRxParity, ceOverrun, ceBreak, ceIO, ceMode, ceRxOver, ceTxFull
};
enum TSyncMethod : std::uint8_t { smThreadSync, smWindowSync, smNone };

// A small set of enumeration members held as bits by ordinal.
template <class Enum, class Bits>
class TEnumSet {
public:
    constexpr TEnumSet() = default;
    constexpr TEnumSet(std::initializer_list<Enum> members) {
        for (Enum m : members) bits_ |= Bit(m);
    }
    static constexpr TEnumSet FromBits(Bits bits) {
        TEnumSet s;
        s.bits_ = bits;
        return s;
    }
    constexpr Bits ToBits() const { return bits_; }
    constexpr bool Contains(Enum m) const { return (bits_ & Bit(m)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr TEnumSet& Include(Enum m) { bits_ |= Bit(m); return *this; }
    constexpr TEnumSet& Exclude(Enum m) { bits_ &= static_cast<Bits>(~Bit(m)); return *this; }
    constexpr bool operator==(const TEnumSet&) const = default;
    // The members in both sets.
    constexpr TEnumSet operator&(TEnumSet other) const { return FromBits(bits_ & other.bits_); }

private:
    static constexpr Bits Bit(Enum m) { return static_cast<Bits>(Bits{1} << static_cast<unsigned>(m)); }
    Bits bits_ = 0;
};

// A set of port events, 16 bits.
using TSerialEvents = TEnumSet<TSerialEvent, std::uint16_t>;
// A set of line errors, 8 bits.
using TSerialErrors = TEnumSet<TSerialError, std::uint8_t>;

// Every event: a new port's Events.
inline constexpr TSerialEvents AllSerialEvents = TSerialEvents::FromBits(0x03FF);

}  // namespace skyvane
