#pragma once
// Display lines of the device's messages, their key definitions, and the vehicle database's
// texts.
//
// A message is an id with a source (the catalogue it belongs to) and a slot (the display line it
// fills). The message catalogue (messag.txt, from messag.zip) may end a text in a part behind
// "@" that is not shown; its key catalogue (tasti.txt, beside the language folders) gives each
// message a key text "#label=k#label=k#" that the messages of one view join into one key string.
//
// Before the texts of a language are loaded (no language folder) a message touches no file and
// builds no table: its line is the empty text.
#include "CallerRecords.h"

#include <QString>

#include <cstdint>

namespace Catalogue {

// The catalogue of a message id.
enum MessageSource : std::int32_t {
    SourceParameters = 1,  // param.zip, name column
    SourceStatuses = 2,    // stati.zip
    SourceInfo = 3,        // info.zip
    SourceActivations = 4, // attiva.zip
    SourceFaults = 5,      // FaultTexts
    SourceMakerFaults = 6, // MakerFaultTexts
    SourceUnits = 10,      // umis.zip, by line
    // any other value: the message catalogue with its key texts
};

constexpr int KeyLabelLimit = 4;

// Puts the text of the message into line0, line1 or line2 for slot 0, 1 or 2, into line3 for any
// other slot; messages of the message catalogue add their key text to keyString. False only for
// a negative id (nothing written). A missing line or key string is skipped.
bool BuildMessageText(std::int32_t textId, std::int32_t source, std::int32_t slot, QString* line0, QString* line1,
                      QString* line2, QString* line3, QString* keyString);

// Fills the five key entries of the view from a key string ("#F1=1#ESC=5#"): entry k takes the
// label (cut to 4 characters), shown 1 (keys 1 to 4) and the label's digits after its first
// character as its code; entries not named get code 1 and an empty label (keys 1 to 4 shown 0).
void ParseKeyTexts(const QString& keyString, ActivationView* view);

// The texts of the vehicle database, trimmed; empty when the table or the code is missing.
QString FuelText(std::int32_t code);
QString PlantText(std::int32_t code);
QString DbText(std::int32_t code);

} // namespace Catalogue
