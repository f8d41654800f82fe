// The unit's replies sorted by their first letter into the model: channel states ("A"),
// sensor values ("D"), readings ("G"/"g"), digital inputs ("M"), the PMT calibration
// report ("I") and the calibration acknowledgement ("C"). Every field may be wrong: a
// missing field reads as empty, a number that does not parse as 0, and a value too large
// for the model is not taken, so a bad field never stops the handling of a reply.
#include "unit/cORUN.h"

#include "app/VBConv.h"
#include "platform/Clock.h"
#include "platform/RuntimeError.h"

namespace {

// The parts of a text between one separator character, empty ones included, in order,
// as a range. Replies are split several times per poll, so each cut is a plain search
// for one character.
class Parts {
public:
    Parts(QStringView text, char16_t sep) : text_(text), sep_(sep) {}

    class iterator {
    public:
        iterator(QStringView text, char16_t sep, qsizetype from) : text_(text), sep_(sep), from_(from) { Cut(); }
        QStringView operator*() const { return text_.sliced(from_, to_ - from_); }
        iterator& operator++() {
            from_ = to_ < text_.size() ? to_ + 1 : kEnd;
            Cut();
            return *this;
        }
        bool operator!=(const iterator& o) const { return from_ != o.from_; }

    private:
        static constexpr qsizetype kEnd = -1;
        void Cut() {
            if (from_ == kEnd) return;
            // Fields are a few characters long: a plain scan beats a general search.
            to_ = from_;
            while (to_ < text_.size() && text_[to_].unicode() != sep_) ++to_;
        }
        QStringView text_;
        char16_t sep_;
        qsizetype from_;
        qsizetype to_ = 0;
    };

    iterator begin() const { return {text_, sep_, 0}; }
    iterator end() const { return {text_, sep_, -1}; }

private:
    QStringView text_;
    char16_t sep_;
};

// Field k (1-based) of text split at sep; empty past the end.
QStringView Field(QStringView text, char16_t sep, int k) {
    int i = 1;
    for (QStringView part : Parts(text, sep)) {
        if (i == k) return part;
        ++i;
    }
    return {};
}

// The leading number of a field. The field is read in place, not copied: the reading and
// sensor replies arrive every poll and carry dozens of fields each.
double ValOf(QStringView field) { return vb::Val(QString::fromRawData(field.data(), field.size())); }

// What the unit sends nearly always: an optional "-" and one to nine digits, nothing else.
// Such a field is its own value, whole and within 32 bits; anything else takes the
// general reading.
bool PlainWhole(QStringView field, int32_t& out) {
    qsizetype i = field.startsWith(u'-') ? 1 : 0;
    const qsizetype digits = field.size() - i;
    if (digits < 1 || digits > 9) return false;
    int32_t v = 0;
    for (; i < field.size(); ++i) {
        const char16_t c = field[i].unicode();
        if (c < u'0' || c > u'9') return false;
        v = v * 10 + (c - u'0');
    }
    out = field.startsWith(u'-') ? -v : v;
    return true;
}

// The field's number; false when it is too large for a number at all ("1D606").
bool Number(QStringView field, double& out) {
    int32_t whole = 0;
    if (PlainWhole(field, whole)) {
        // "-0" reads as a negative zero, as the general reading gives it.
        out = whole == 0 && field.startsWith(u'-') ? -0.0 : static_cast<double>(whole);
        return true;
    }
    try {
        out = ValOf(field);
        return true;
    } catch (const RuntimeError&) {
        return false;
    }
}

// The whole number nearest to the field's number (halves to even); false when it does
// not fit a 32-bit value.
bool WholeNumber(QStringView field, int32_t& out) {
    if (PlainWhole(field, out)) return true;
    try {
        out = vb::CLng(ValOf(field));
        return true;
    } catch (const RuntimeError&) {
        return false;
    }
}

}  // namespace

int32_t cORUN::VersionFromIdentification(const QString& R) {
    // "ORUN 4.11": the number from the sixth character on, times 100.
    try {
        return vb::CLng(vb::Val(vb::Mid(R, 6)) * 100.0);
    } catch (const RuntimeError&) {
        return 0;
    }
}

void cORUN::ProcessResponse(const QString& R) {
    if (R.isEmpty()) return;
    // The identification reply is known by its word, never by its first letter.
    if (R.startsWith(QLatin1String("ORUN"))) return;
    switch (R.at(0).unicode()) {
    case 'A': ParseChannels(R); break;
    case 'C': CalAcknowledge(); break;
    case 'D': ParseSensors(R); break;
    case 'G':
    case 'g': ParseReading(R); break;
    case 'I': ParsePMTCal(R); break;
    case 'K':
    case 'W': TakeHeldPowers(R); break;
    case 'M': ParseInputs(R); break;
    default: break;
    }
}

void cORUN::ParseChannels(const QString& R) {
    if (!R.startsWith(QLatin1String("A1")) && !R.startsWith(QLatin1String("A0"))) return;
    const QStringView states = QStringView(R).mid(1);
    const float now = Timer();
    ChannelsKnown_ = true;
    // A reply cut short, or with an empty field, says nothing about those channels: they
    // keep the state they had. Taking a missing field for an inactive channel would keep a
    // live detector from getting its PMT volts at the next layer start.
    enum Field { kMissing, kInactive, kActive };
    Field field[8] = {};  // all kMissing
    int ch = 0;
    for (QStringView part : Parts(states, u',')) {
        if (ch > 7) break;
        if (!part.isEmpty()) field[ch] = part.startsWith(u'1') ? kActive : kInactive;
        ++ch;
    }
    for (ch = 0; ch <= 7; ++ch) {
        if (field[ch] == kInactive) {
            if ((ChanErrorWord_(ch) & 1) == 0) {
                ChanErrorWord_(ch) |= 1;
                emit ORUNError(20 + ch, 0);
            }
        } else if (field[ch] == kActive) {
            ChanErrorWord_(ch) &= ~1;
            LastReadingTime_(ch) = now;
            setChanUpdate(ch, ChanUpdate_(ch));
        }
    }
    AnyChanActive_ = false;
    for (ch = 0; ch <= 7; ++ch) AnyChanActive_ = AnyChanActive_ || ChanActive(ch);
}

void cORUN::ParseSensors(const QString& R) {
    const QStringView values = Field(R, u';', 2);
    // Five values per sensor, the sensors in the order 0, 2, 1, 3.
    static constexpr int kSensorOrder[4] = {0, 2, 1, 3};
    int k = 0;
    int32_t status = 0;
    for (QStringView part : Parts(values, u',')) {
        // A value too large to read leaves that value as it was.
        double value = 0.0;
        if (k < 20) {
            if (Number(part, value)) SensorRaw_(kSensorOrder[k / 5])(k % 5) = value;
        } else if (k == 20 && !WholeNumber(part, status)) status = SensorStatus_;
        ++k;
    }
    // Fields missing from a short reply read as 0.
    for (; k < 20; ++k) SensorRaw_(kSensorOrder[k / 5])(k % 5) = 0.0;
    SensorStatus_ = status;
}

void cORUN::ParseReading(const QString& R) {
    const float now = Timer();
    int32_t periods[8] = {};
    bool read[8] = {};
    bool periodAgain[8] = {};  // a channel whose readings had stopped gets its period again
    int field = 0;
    for (QStringView part : Parts(R, u';')) {
        const int ch = field++ - 1;  // field 2 (index 1) is channel 0
        if (ch < 0) continue;
        if (ch > 7) break;
        if (part.isEmpty()) continue;
        int32_t values[6] = {};
        bool fits = true;
        int i = 0;
        for (QStringView v : Parts(part, u',')) {
            if (i > 5) break;
            if (!WholeNumber(v, values[i++])) {
                fits = false;
                break;
            }
        }
        if (!fits) continue;  // a reading that does not fit is not taken
        for (i = 0; i <= 5; ++i) Reading_(ch)(i) = values[i];
        ++ReadingCount_(ch);
        LastReadingTime_(ch) = now;
        periods[ch] = values[1];
        read[ch] = true;
        if ((ChanErrorWord_(ch) & 1) != 0 && ChannelsKnown_) {
            // A channel the unit reported inactive and that reads is active again: the
            // channel states are asked again, whose reply gives it its period and the run
            // its detector volts.
            ChanErrorWord_(ch) &= ~1;
            AnyChanActive_ = true;
            SendReadChannels();
        }
        if ((ChanErrorWord_(ch) & 2) != 0) {
            ChanErrorWord_(ch) &= ~2;
            periodAgain[ch] = true;
        }
        if (RdgType_ == RdgType::Normal) UpdateFlux(ch);
        else if ((RdgType_ == RdgType::LowPoint || RdgType_ == RdgType::HighPoint) && ch == CalChan_)
            CalSlopeIntercept(ch);
    }
    CheckMissingReadings(now);
    // The periods this reading reports are judged before any is given again.
    JudgePeriods(periods, read);
    for (int ch = 0; ch <= 7; ++ch)
        if (periodAgain[ch]) setChanUpdate(ch, ChanUpdate_(ch));
}

namespace {
// The code a power command ("K" outputs 0..5, "W" 6 and 7) carries for output o; false
// when it carries none for it.
bool CodeFor(const QString& command, int o, int32_t& code) {
    if (command.isEmpty()) return false;
    const QChar letter = command.at(0);
    const int first = letter == u'K' ? 0 : letter == u'W' ? 6 : -1;
    if (first < 0 || o < first || o > first + (letter == u'K' ? 5 : 1)) return false;
    return WholeNumber(Field(QStringView(command).mid(1), u',', o - first + 1), code);
}
}  // namespace

void cORUN::TakeHeldPowers(const QString& R) {
    // One command is in flight: the reply answers the command on the wire, when it is the
    // power command of the same letter. Its codes are what the unit now drives.
    const QChar letter = R.at(0);
    if (!Command_.startsWith(letter)) return;
    const int first = letter == u'K' ? 0 : 6;
    const int last = letter == u'K' ? 5 : 7;
    for (int o = first; o <= last; ++o) {
        int32_t code = 0;
        if (!CodeFor(Command_, o, code)) continue;
        HeldCode_(o) = code;
        HeldKnown_(o) = true;
    }
}

bool cORUN::PowerOnItsWay(int o) const {
    // A power command on the wire, or waiting, that would change what the unit holds.
    int32_t code = 0;
    bool changes = CommStatus_ == 1 && CodeFor(Command_, o, code) && code != HeldCode_(o);
    Queue_.ForEachWaiting([&](const QString& w) { changes = changes || (CodeFor(w, o, code) && code != HeldCode_(o)); });
    return changes;
}

void cORUN::ParseInputs(const QString& R) {
    const QStringView fields = QStringView(R).mid(1);
    int reg = 0;
    int k = 0;
    for (QStringView part : Parts(fields, u',')) {
        if (k > 12) break;
        if (part == u"1") reg |= 1 << k;
        ++k;
    }
    InputReg_ = static_cast<int16_t>(reg);
}

void cORUN::ParsePMTCal(const QString& R) {
    // "I" channel "," value: the unit's PMT calibration value of that channel. Anything
    // else changes nothing.
    const QStringView body = QStringView(R).mid(1);
    const QStringView chText = Field(body, u',', 1);
    const QStringView valueText = Field(body, u',', 2);
    if (!vb::IsNumeric(chText.toString()) || !vb::IsNumeric(valueText.toString())) return;
    int32_t chan = 0;
    int32_t value = 0;
    if (!WholeNumber(chText, chan) || !WholeNumber(valueText, value)) return;
    if (chan < 1 || chan > 8) return;
    PMTCal_(chan - 1) = value;
}
