// The walk-test record's fixed texts, in English and in Hebrew, as the
// field says them. The record shows every text of its own through here;
// what comes from the site (labels, remarks, the panel's text) is shown as
// it was given.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "tools/common/device_type.h"
#include "tools/common/walk_record.h"

namespace zidtools {

enum class Language { kEnglish, kHebrew };

// "en" or "he"; nothing for any other code.
std::optional<Language> LanguageOfCode(std::string_view code);
const char* LanguageCode(Language language);

enum class Say {
    kTitle, kSubtitle, kLive, kCutOff, kWrittenBy,
    kIdentity, kTestTypeAcceptance, kTestTypePeriodic, kTestTypePartial,
    kSessions, kStart, kEnd, kDuration, kOperator, kDriverVersion, kDriverSha, kEnded,
    kEndedNormally, kEndedNot,
    kChannels, kChannel, kPort, kSettings, kLinesRead, kLinesNoEvent, kLinesRejected,
    kVerdict, kSystem, kSystemPass, kSystemFail, kRule,
    kDevices, kAddress, kLabel, kType, kFireLines, kFirstFire, kFaultLines, kRestored, kResult,
    kRemark, kCheckedInHost, kPass, kFail, kSession,
    kDeficiencies, kNoDeficiency, kRemarks, kNotADevice,
    kStatusHistory, kTime, kStatusWord, kChange, kMeaning, kNoStatus, kPortAndConsole,
    kProvesTitle, kProves,
    kSignatures, kTestedBy, kWitnessedBy, kOwnerRepresentative, kName, kCompany, kLicence,
    kSignature, kDate, kPage, kPageOf,
    // Sentences with places {1}, {2}... for pieces the record fills in.
    kLinkLost, kLinkStillLost, kSessionNotEnded,
    kCount  // not a text
};

const char* Text(Language language, Say what);

// What a count stands for, with its number, in the language's grammar.
enum class Tally {
    kNotTested, kNotRestored, kFaultOnly, kUnregistered, kLinkLost, kSessionsNotEnded,
    kRowsSkipped, kRowsLeftOut, kNoDevices
};
std::string TallyText(Language language, Tally what, int count);

// The verdict line (VerdictOf in English).
std::string VerdictIn(Language language, const DeviceCounts& counts);
// "1 h 02 min 03 s"; "—" when unknown.
std::string DurationIn(Language language, std::optional<long long> ms);
// A walk_result word, a device type, a [record] key, a status word's change.
const char* ResultIn(Language language, const std::string& result);
const char* DeviceTypeIn(Language language, DeviceType type);
const char* RecordKeyIn(Language language, const std::string& key);
const char* StatusMeaningIn(Language language, const StatusChange& change);

}  // namespace zidtools
