#include "tools/common/record_words.h"

#include <cstdio>

namespace zidtools {
namespace {

struct Words {
    Say what;
    const char* en;
    const char* he;
};

// Indexed by Say.
constexpr Words kWords[] = {
    {Say::kTitle, "Fire detection walk-test record", "דוח בדיקת מערכת גילוי אש"},
    {Say::kSubtitle, "The ZID-12 panel's reports, as the driver ZIZEZOZU.DLL received them",
     "דיווחי רכזת ZID-12 כפי שהתקבלו במנהל ההתקן ZIZEZOZU.DLL"},
    {Say::kLive,
     "IN PROGRESS: this page reloads itself every 5 seconds while the walk test runs. The record "
     "to print and sign is written when the run ends.",
     "הבדיקה בעיצומה: הדף נטען מחדש מעצמו כל 5 שניות כל עוד הבדיקה נמשכת. הדוח להדפסה ולחתימה "
     "ייכתב בסיומה."},
    {Say::kCutOff, "The journal's last row was cut off when the run was stopped; it is left out.",
     "השורה האחרונה ביומן נקטעה כשהריצה נעצרה, והיא הושמטה."},
    {Say::kWrittenBy, "Written by zidhost from the session journal events.csv",
     "נכתב בידי zidhost מתוך יומן הבדיקה events.csv"},
    {Say::kIdentity, "Premises, panel and test", "המבנה, הרכזת והבדיקה"},
    {Say::kTestTypeAcceptance, "acceptance", "בדיקת קבלה"},
    {Say::kTestTypePeriodic, "periodic", "בדיקה תקופתית"},
    {Say::kTestTypePartial, "partial", "בדיקה חלקית"},
    {Say::kSessions, "Sessions", "מועדי הבדיקה"},
    {Say::kStart, "Start", "התחלה"},
    {Say::kEnd, "End", "סיום"},
    {Say::kDuration, "Duration", "משך"},
    {Say::kOperator, "Operator", "בודק"},
    {Say::kDriverVersion, "Driver version", "גרסת מנהל ההתקן"},
    {Say::kDriverSha, "Driver SHA-256", "SHA-256 של מנהל ההתקן"},
    {Say::kEnded, "Ended", "הסתיים"},
    {Say::kEndedNormally, "normally", "כסדרו"},
    {Say::kEndedNot, "NOT NORMALLY: rebuilt from the journal", "לא כסדרו: נבנה מחדש מהיומן"},
    {Say::kChannels, "Channels", "ערוצים"},
    {Say::kChannel, "Channel", "ערוץ"},
    {Say::kPort, "Port", "יציאה"},
    {Say::kSettings, "Line settings", "הגדרות הקו"},
    {Say::kLinesRead, "Lines read", "שורות שנקראו"},
    {Say::kLinesNoEvent, "without an event", "ללא אירוע"},
    {Say::kLinesRejected, "Lines rejected", "שורות שנדחו"},
    {Say::kVerdict, "Verdict", "תוצאה"},
    {Say::kSystem, "Result for the system", "תוצאת המערכת"},
    {Say::kSystemPass,
     "PASSED: the panel reported every registered device in fire and each was restored; no "
     "unregistered address was reported, and the link to the panel held.",
     "עברה: הרכזת דיווחה אש מכל רכיב רשום וכל רכיב חזר למצב רגיל; לא דווחה כתובת שאינה רשומה, "
     "והקשר עם הרכזת לא אבד."},
    {Say::kSystemFail, "NOT PASSED. What falls short:", "לא עברה. מה שלא עמד בדרישה:"},
    {Say::kRule,
     "Rule: a device passes when the panel reported it in fire at least once during the walk and "
     "its gate read 0 (normal) at the end.",
     "הכלל: רכיב עובר כאשר הרכזת דיווחה עליו אש לפחות פעם אחת במהלך הבדיקה, וערכו חזר ל־0 (מצב "
     "רגיל) בסופה."},
    {Say::kDevices, "Devices", "רכיבים"},
    {Say::kAddress, "Address", "כתובת"},
    {Say::kLabel, "Label", "תיאור"},
    {Say::kType, "Device type", "סוג הרכיב"},
    {Say::kFireLines, "Fire lines", "דיווחי אש"},
    {Say::kFirstFire, "First fire", "אש ראשונה"},
    {Say::kFaultLines, "Fault lines", "דיווחי תקלה"},
    {Say::kRestored, "Restored", "חזר למצב רגיל"},
    {Say::kResult, "Result", "תוצאה"},
    {Say::kRemark, "Remark", "הערה"},
    {Say::kCheckedInHost, "Checked in host", "נבדק במערכת הבקרה"},
    {Say::kPass, "PASS", "עבר"},
    {Say::kFail, "FAIL", "נכשל"},
    {Say::kSession, "Session", "מועד"},
    {Say::kDeficiencies, "Deficiencies", "ליקויים"},
    {Say::kNoDeficiency, "None.", "אין."},
    {Say::kRemarks, "Remarks made during the walk", "הערות שנרשמו במהלך הבדיקה"},
    {Say::kNotADevice, "not a device of this record", "אינה רכיב בדוח זה"},
    {Say::kStatusHistory, "Status-word history", "היסטוריית מילות המצב של הרכזת"},
    {Say::kTime, "Time", "זמן"},
    {Say::kStatusWord, "Word", "מילת מצב"},
    {Say::kChange, "Change", "שינוי"},
    {Say::kMeaning, "Meaning", "משמעות"},
    {Say::kNoStatus, "No status word changed.", "אף מילת מצב לא השתנתה."},
    {Say::kPortAndConsole, "Port and console", "היציאה והמסוף"},
    {Say::kProvesTitle, "What this record proves", "מה הדוח הזה מוכיח"},
    {Say::kProves,
     "This record proves the path from the panel through the serial line to the driver: every "
     "line counted here was received and decoded by ZIZEZOZU.DLL, run as the host runs it. "
     "zidhost stood in for the host, so the record does not prove that each point is mapped "
     "right in the real host: check each device on the host's screen and tick \"Checked in "
     "host\".",
     "הדוח מוכיח את המסלול מהרכזת, דרך קו התקשורת הטורי, אל מנהל ההתקן: כל דיווח שנספר כאן "
     "התקבל ופוענח בידי ZIZEZOZU.DLL, שפעל כפי שמערכת הבקרה מפעילה אותו. בבדיקה זו פעלה התוכנה "
     "zidhost במקום מערכת הבקרה, ולכן הדוח אינו מוכיח שכל נקודה משויכת נכון במערכת הבקרה עצמה: "
     "יש לבדוק כל רכיב במסך מערכת הבקרה ולסמן \"נבדק במערכת הבקרה\"."},
    {Say::kSignatures, "Signatures", "חתימות"},
    {Say::kTestedBy, "Tested by", "נבדק על ידי"},
    {Say::kWitnessedBy, "Witnessed by", "בנוכחות"},
    {Say::kOwnerRepresentative, "Owner's representative", "נציג הבעלים"},
    {Say::kName, "Name", "שם"},
    {Say::kCompany, "Company", "חברה"},
    {Say::kLicence, "Licence", "מספר רישיון"},
    {Say::kSignature, "Signature", "חתימה"},
    {Say::kDate, "Date", "תאריך"},
    {Say::kPage, "Page", "עמוד"},
    {Say::kPageOf, "of", "מתוך"},
    {Say::kLinkLost, "Channel {1}: the link to the panel was lost from {2} to {3} ({4}).",
     "ערוץ {1}: הקשר עם הרכזת אבד מ־{2} עד {3} ({4})."},
    {Say::kLinkStillLost,
     "Channel {1}: the link to the panel was lost at {2} and was still lost when the run ended "
     "at {3} ({4}).",
     "ערוץ {1}: הקשר עם הרכזת אבד ב־{2} ועדיין לא חזר כשהריצה הסתיימה ב־{3} ({4})."},
    {Say::kSessionNotEnded,
     "Session {1}, started {2}, did not end normally: its part of the record was rebuilt from "
     "the journal, up to its last row.",
     "מועד בדיקה {1}, שהחל ב־{2}, לא הסתיים כסדרו: חלקו בדוח נבנה מחדש מהיומן, עד השורה האחרונה "
     "שנרשמה בו."},
};

constexpr bool InOrder() {
    if (std::size(kWords) != static_cast<size_t>(Say::kCount)) return false;
    for (size_t i = 0; i < std::size(kWords); ++i)
        if (static_cast<size_t>(kWords[i].what) != i) return false;
    return true;
}
static_assert(InOrder(), "kWords is indexed by Say");

struct Counted {
    Tally what;
    const char *enOne, *enMany, *heOne, *heMany;  // %d: the count
};

constexpr Counted kTallies[] = {
    {Tally::kNotTested, "1 device not tested", "%d devices not tested", "רכיב אחד לא נבדק",
     "%d רכיבים לא נבדקו"},
    {Tally::kNotRestored, "1 device not restored", "%d devices not restored",
     "רכיב אחד לא חזר למצב רגיל", "%d רכיבים לא חזרו למצב רגיל"},
    {Tally::kFaultOnly, "1 device reported in fault only, never in fire",
     "%d devices reported in fault only, never in fire", "רכיב אחד דווח בתקלה בלבד, ולא באש",
     "%d רכיבים דווחו בתקלה בלבד, ולא באש"},
    {Tally::kUnregistered, "1 address reported by the panel is not registered in the host",
     "%d addresses reported by the panel are not registered in the host",
     "כתובת אחת שהרכזת דיווחה עליה אינה רשומה במערכת הבקרה",
     "%d כתובות שהרכזת דיווחה עליהן אינן רשומות במערכת הבקרה"},
    {Tally::kLinkLost, "the link to the panel was lost once",
     "the link to the panel was lost %d times", "הקשר עם הרכזת אבד פעם אחת",
     "הקשר עם הרכזת אבד %d פעמים"},
    {Tally::kSessionsNotEnded, "1 session did not end normally",
     "%d sessions did not end normally", "מועד בדיקה אחד לא הסתיים כסדרו",
     "%d מועדי בדיקה לא הסתיימו כסדרם"},
    {Tally::kRowsSkipped, "The journal was damaged: 1 row skipped.",
     "The journal was damaged: %d rows skipped.", "היומן נפגם: שורה אחת דולגה.",
     "היומן נפגם: %d שורות דולגו."},
    {Tally::kRowsLeftOut, "the journal is incomplete: 1 row left out",
     "the journal is incomplete: %d rows left out", "היומן אינו שלם: שורה אחת הושמטה",
     "היומן אינו שלם: %d שורות הושמטו"},
    {Tally::kNoDevices, "no device is registered", "no device is registered",
     "לא נרשם אף רכיב", "לא נרשם אף רכיב"},
};

std::string Format(const char* format, int count) {
    char text[256];
    std::snprintf(text, sizeof text, format, count);
    return text;
}

bool He(Language language) { return language == Language::kHebrew; }

}  // namespace

std::optional<Language> LanguageOfCode(std::string_view code) {
    if (code == "en") return Language::kEnglish;
    if (code == "he") return Language::kHebrew;
    return std::nullopt;
}

const char* LanguageCode(Language language) { return He(language) ? "he" : "en"; }

const char* Text(Language language, Say what) {
    const Words& w = kWords[static_cast<size_t>(what)];
    return He(language) ? w.he : w.en;
}

std::string TallyText(Language language, Tally what, int count) {
    for (const Counted& c : kTallies)
        if (c.what == what)
            return Format(He(language) ? (count == 1 ? c.heOne : c.heMany)
                                       : (count == 1 ? c.enOne : c.enMany),
                          count);
    return {};
}

std::string VerdictIn(Language language, const DeviceCounts& c) {
    if (!He(language)) return VerdictOf(c);
    const std::string n = std::to_string(c.devices);
    std::string out;
    if (c.devices == 0)
        out = "לא נרשם אף רכיב";
    else if (c.tested == c.devices)
        out = c.devices == 1 ? "הרכיב היחיד נבדק" : "כל " + n + " הרכיבים נבדקו";
    else if (c.devices == 1)
        out = "הרכיב היחיד לא עבר";
    else
        out = "נבדקו " + std::to_string(c.tested) + " מתוך " + n + " רכיבים";
    auto part = [&](int count, const char* one, const char* many) {
        if (count > 0) out += "; " + (count == 1 ? std::string(one) : Format(many, count));
    };
    part(c.notRestored, "אחד לא חזר למצב רגיל", "%d לא חזרו למצב רגיל");
    part(c.faultOnly, "אחד עם תקלה בלבד", "%d עם תקלה בלבד");
    part(c.notTested, "אחד לא נבדק", "%d לא נבדקו");
    part(c.unregistered, "כתובת אחת שהרכזת דיווחה עליה אינה רשומה",
         "%d כתובות שהרכזת דיווחה עליהן אינן רשומות");
    part(c.linkLosses, "הקשר עם הרכזת אבד פעם אחת", "הקשר עם הרכזת אבד %d פעמים");
    if (c.runsNotEnded > 0) out += "; הריצה לא הסתיימה כסדרה";
    return out;
}

std::string DurationIn(Language language, std::optional<long long> ms) {
    if (!ms) return "—";
    const long long s = *ms / 1000;
    const bool he = He(language);
    const char* h = he ? "שע׳" : "h";
    const char* min = he ? "דק׳" : "min";
    const char* sec = he ? "שנ׳" : "s";
    char text[64];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%lld %s %02lld %s %02lld %s", s / 3600, h, s / 60 % 60,
                      min, s % 60, sec);
    else if (s >= 60)
        std::snprintf(text, sizeof text, "%lld %s %02lld %s", s / 60, min, s % 60, sec);
    else
        std::snprintf(text, sizeof text, "%lld %s", s, sec);
    return text;
}

const char* ResultIn(Language language, const std::string& result) {
    static const std::pair<const char*, const char*> kResults[] = {
        {walk_result::kTested, "נבדק"},
        {walk_result::kNotRestored, "לא חזר למצב רגיל"},
        {walk_result::kFaultOnly, "תקלה בלבד"},
        {walk_result::kNotTested, "לא נבדק"},
        {walk_result::kUnregistered, "לא רשום במערכת הבקרה"},
    };
    for (const auto& [en, he] : kResults)
        if (result == en) return He(language) ? he : en;
    return result.c_str();
}

const char* DeviceTypeIn(Language language, DeviceType type) {
    const bool he = He(language);
    switch (type) {
        case DeviceType::kLineDetector: return he ? "גלאי בקו" : "line detector";
        case DeviceType::kZone: return he ? "אזור" : "zone";
        case DeviceType::kSmoke: return he ? "גלאי עשן" : "smoke detector";
        case DeviceType::kHeat: return he ? "גלאי חום" : "heat detector";
        case DeviceType::kManualCallPoint: return he ? "לחצן אזעקה ידני" : "manual call point";
        case DeviceType::kOther: return he ? "אחר" : "other";
    }
    return "";
}

const char* RecordKeyIn(Language language, const std::string& key) {
    static const struct {
        const char *key, *en, *he;
    } kKeys[] = {
        {"premises", "Premises", "שם המבנה"},
        {"address", "Address", "כתובת"},
        {"owner", "Owner or their representative", "הבעלים או נציגם"},
        {"panel-model", "Panel model", "דגם הרכזת"},
        {"panel-serial", "Panel serial number", "המספר הסידורי של הרכזת"},
        {"panel-firmware", "Panel firmware", "גרסת התוכנה של הרכזת"},
        {"panel-location", "Panel location", "מיקום הרכזת"},
        {"test-type", "Test type", "סוג הבדיקה"},
        {"standard", "Standard applied", "התקן שלפיו נערכה הבדיקה"},
        {"company", "Testing company", "חברת הבדיקה"},
        {"engineer", "Engineer", "שם הבודק"},
        {"licence", "Licence number", "מספר רישיון"},
        {"witness", "Witness", "עד לבדיקה"},
    };
    for (const auto& k : kKeys)
        if (key == k.key) return He(language) ? k.he : k.en;
    return key.c_str();
}

const char* StatusMeaningIn(Language language, const StatusChange& change) {
    const bool on = change.newValue == "1";
    const bool he = He(language);
    const std::string& a = change.address;
    if (a == "!T")
        return on ? (he ? "מצב בדיקה הופעל" : "test mode on")
                  : (he ? "מצב בדיקה הסתיים" : "test mode off");
    // F tells of the last fault event only: the end of any one fault clears
    // it, while other faults may remain (the gates' bit 1 tell which).
    if (a == "!F")
        return on ? (he ? "החלה תקלה" : "a fault started")
                  : (he ? "תקלה הסתיימה, או איפוס" : "a fault ended, or a reset");
    if (a == "!R")
        return on ? (he ? "הרכזת אופסה" : "panel reset")
                  : (he ? "סימון האיפוס נמחק באש או בתקלה חדשה"
                        : "reset flag cleared by a new fire or fault");
    if (a == "!S")
        return on ? (he ? "סימון ההשתקה הודלק (הצופר הושתק, תקלה הסתיימה, או איפוס)"
                        : "silence flag set (sounder silenced, a fault ended, or reset)")
                  : (he ? "סימון ההשתקה נמחק באש או בתקלה חדשה"
                        : "silence flag cleared by a new fire or fault");
    if (a == "!C")
        return on ? (he ? "הקשר עם הרכזת אבד: היציאה אינה עונה"
                        : "link to the panel lost: the port does not answer")
                  : (he ? "הקשר עם הרכזת חזר" : "link to the panel back");
    return "";
}

}  // namespace zidtools
