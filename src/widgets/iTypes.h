// Enumerations shared by the instrument widgets: the seven-segment readouts,
// the elapsed-time clock and the numeric entry field.
#pragma once

namespace tarvex {

// The 3-D frame drawn along the edges of a widget.
enum TiBevelStyle { ibsNone, ibsRaised, ibsLowered };

// What fills the unused leading digit cells of a readout.
enum TiLeadingStyle { ilsNone, ilsZeros, ilsSpaces };

// The separator in front of the frame number of the clock: ";" for drop
// frame, ":" for non-drop frame.
enum TiFrameStyle { ifsDropFrame, ifsNonDropFrame };

enum TiClockHourStyle { ichs24, ichs12 };

// Which typed characters the entry field lets through.
enum TiFilterInputStyle { ifisNone, ifisAuto };

// Horizontal placement of the entry field's text.
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// The glyphs of one seven-segment character cell, in this order.
enum TSevenSegmentCharacter {
    ssc0,
    ssc1,
    ssc2,
    ssc3,
    ssc4,
    ssc5,
    ssc6,
    ssc7,
    ssc8,
    ssc9,
    sscA,
    sscB,
    sscC,
    sscD,
    sscE,
    sscF,
    sscPeriod,
    sscColon,
    sscPlus,
    sscMinus,
    sscBlank,
    sscLine,
    sscUpArrow,
    sscDownArrow,
    sscSemiColon,
    sscComma,
};

inline constexpr int kSevenSegmentCharacterCount = sscComma + 1;

} // namespace tarvex
