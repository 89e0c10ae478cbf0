// CFeatureBag: the bag and its text form. Saving is in featurebagsave.cpp,
// loading in featurebagload.cpp. Only the public node interfaces are used.
#include "featurebag_p.h"
#include "featurevalue.h"

#include <GenApi/Persistence.h>

#include <algorithm>
#include <cctype>
#include <istream>
#include <ostream>
#include <sstream>

namespace GenApi {

namespace persistence {

std::string printable(const std::string& text)
{
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == 0xc2 && i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xe0) == 0x80) {
            result.push_back('?');
            ++i;
        } else {
            result.push_back(c < 0x20 || c == 0x7f ? '?' : char(c));
        }
    }
    return result;
}

std::string shown(const std::string& text)
{
    return text.size() > 40 ? printable(text.substr(0, 40)) + "..." : printable(text);
}

} // namespace persistence

using namespace persistence;

namespace {

const char* const kVersionLine = "# GenApi persistence file (version 3.0.1)";
const char* const kDevicePrefix = "# Device = ";
// The identifying line of files that hold several bags (one per user set):
// recognised only to say so.
const char* const kMultiBagMagic = "{4709CB3C-7322-4460-84C3-DA11DDA09939}";
const size_t kMaxLineLength = 64 * 1024;
const int kMaxMalformedLines = 100;

// --- reading the text -------------------------------------------------------

std::string trimmed(const std::string& text)
{
    const size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos)
        return std::string();
    const size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

class Reader
{
public:
    explicit Reader(CFeatureBag::Impl& bag) : m_bag(bag) {}

    //! Nothing more will be taken (not a settings file, too many bad lines).
    bool stopped() const { return m_stopped; }

    void line(std::string text, size_t number, bool tooLong)
    {
        if (m_stopped)
            return;
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        if (!m_headerSeen) {
            // A UTF-8 byte-order mark before the first line is tolerated.
            if (number == 1 && text.compare(0, 3, "\xEF\xBB\xBF") == 0)
                text.erase(0, 3);
            if (trimmed(text).empty() && !tooLong)
                return;
            const std::string first = trimmed(text);
            if (first == std::string("# ") + GENAPI_PERSISTENCE_MAGIC) {
                m_headerSeen = true;
                return;
            }
            m_bag.valid = false;
            m_stopped = true;
            const bool multiBag = first.find(kMultiBagMagic) != std::string::npos;
            problem(number, "",
                    multiBag ? "the file holds several settings sets; save the device's current settings "
                               "and load that file"
                             : "not a settings file: the first line is not \"# " GENAPI_PERSISTENCE_MAGIC
                               "\"");
            return;
        }
        if (tooLong) {
            malformed(number, "the line is longer than " + std::to_string(kMaxLineLength / 1024) + " KiB");
            return;
        }
        if (text.find('\0') != std::string::npos) {
            malformed(number, "the line holds binary data");
            return;
        }
        // Tabs separate the columns; any other control character is no text
        // of a name or a value.
        std::string withoutTabs = text;
        std::replace(withoutTabs.begin(), withoutTabs.end(), '\t', ' ');
        if (hasControlCharacter(withoutTabs)) {
            malformed(number, "the line holds a control character: \"" + shown(text) + "\"");
            return;
        }
        const std::string content = trimmed(text);
        if (content.empty())
            return;
        if (content[0] == '#') {
            if (content.compare(0, std::char_traits<char>::length(kDevicePrefix), kDevicePrefix) == 0)
                m_bag.info = trimmed(content.substr(std::char_traits<char>::length(kDevicePrefix)));
            return;
        }
        const size_t tab = text.find('\t');
        if (tab == std::string::npos) {
            malformed(number, "no tab between the feature name and its value: \"" + shown(text) + "\"");
            return;
        }
        CFeatureBag::Entry entry;
        entry.Line = number;
        const std::string name = trimmed(text.substr(0, tab));
        if (!isSafeName(name)) {
            malformed(number, "\"" + shown(name) + "\" is not a feature name");
            return;
        }
        entry.Name = name;
        std::string rest = text.substr(tab + 1);
        if (!rest.empty() && rest[0] == '{') {
            const size_t close = rest.find('}');
            if (close == std::string::npos || close + 1 >= rest.size() || rest[close + 1] != '\t') {
                malformed(number, "a selector list \"{...}\" must be followed by a tab and the value");
                return;
            }
            std::istringstream list(rest.substr(1, close - 1));
            std::string item;
            while (std::getline(list, item, ',')) {
                const size_t equals = item.find('=');
                const std::string selector = trimmed(item.substr(0, equals));
                if (equals == std::string::npos || !isSafeName(selector)) {
                    malformed(number, "\"" + shown(item) + "\" is not Selector=Value");
                    return;
                }
                entry.Selectors.emplace_back(selector, trimmed(item.substr(equals + 1)));
            }
            rest = rest.substr(close + 2);
        }
        entry.Value = rest;
        m_bag.entries.push_back(std::move(entry));
    }

    void finish(bool tooLarge, size_t lines)
    {
        if (tooLarge) {
            m_bag.valid = false;
            m_bag.entries.clear();
            problem(0, "",
                    "the file is larger than " + std::to_string(CFeatureBag::MaxStreamSize >> 20) +
                        " MiB: not a settings file; nothing was read");
            return;
        }
        if (!m_headerSeen && m_bag.valid) {
            m_bag.valid = false;
            problem(lines ? 1 : 0, "", "the file is empty: no \"# " GENAPI_PERSISTENCE_MAGIC "\" line");
        }
    }

private:
    void problem(size_t number, const std::string& name, const std::string& message)
    {
        CFeatureBag::LineResult result;
        result.Line = number;
        result.Name = name;
        result.Status = CFeatureBag::Malformed;
        result.Message = message;
        m_bag.readProblems.push_back(std::move(result));
    }

    void malformed(size_t number, const std::string& message)
    {
        problem(number, "", message);
        if (++m_malformed >= kMaxMalformedLines) {
            m_stopped = true;
            problem(number, "",
                    "too many malformed lines: reading stopped after line " + std::to_string(number));
        }
    }

    CFeatureBag::Impl& m_bag;
    bool m_headerSeen = false;
    bool m_stopped = false;
    int m_malformed = 0;
};

} // namespace

// --- CFeatureBag ------------------------------------------------------------

CFeatureBag::CFeatureBag() : m_impl(new Impl) {}
CFeatureBag::~CFeatureBag() = default;
CFeatureBag::CFeatureBag(const CFeatureBag& other) : m_impl(new Impl(*other.m_impl)) {}
CFeatureBag& CFeatureBag::operator=(const CFeatureBag& other)
{
    *m_impl = *other.m_impl;
    return *this;
}

void CFeatureBag::SetInfo(const gcstring& Info)
{
    m_impl->info = Info.toStdString();
}

gcstring CFeatureBag::GetInfo() const
{
    return m_impl->info;
}

void CFeatureBag::SetBagName(const gcstring& Name)
{
    m_impl->bagName = Name.toStdString();
}

gcstring CFeatureBag::GetBagName() const
{
    return m_impl->bagName;
}

const std::vector<CFeatureBag::Entry>& CFeatureBag::GetEntries() const
{
    return m_impl->entries;
}

const std::vector<CFeatureBag::LineResult>& CFeatureBag::GetLineResults() const
{
    return m_impl->results;
}

int CFeatureBag::GetNumPasses() const
{
    return m_impl->passes;
}

bool CFeatureBag::IsValid() const
{
    return m_impl->valid;
}

gcstring CFeatureBag::ToString() const
{
    std::ostringstream stream;
    stream << *this;
    return stream.str();
}

bool CFeatureBag::operator==(const CFeatureBag& other) const
{
    const auto& a = m_impl->entries;
    const auto& b = other.m_impl->entries;
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](const Entry& x, const Entry& y) {
               return x.Name == y.Name && x.Selectors == y.Selectors && x.Value == y.Value;
           });
}

const char* CFeatureBag::StatusName(EStatus status)
{
    switch (status) {
    case Written:
        return "written";
    case Verified:
        return "verified";
    case VerifyFailed:
        return "reads back another value";
    case Refused:
        return "refused";
    case NotWritable:
        return "not writable";
    case UnknownFeature:
        return "unknown feature";
    case BadValue:
        return "bad value";
    case Malformed:
        return "malformed";
    case NotASetting:
        return "not a setting";
    case NotRead:
        return "not read";
    case Skipped:
        return "not saved";
    }
    return "?";
}

namespace {

bool writable(const CFeatureBag::Entry& entry)
{
    if (!isSafeName(entry.Name.toStdString()) || hasControlCharacter(entry.Value.toStdString()))
        return false;
    return std::all_of(entry.Selectors.begin(), entry.Selectors.end(), [](const auto& selector) {
        const std::string value = selector.second.toStdString();
        return isSafeName(selector.first.toStdString()) && !hasControlCharacter(value) &&
               value.find_first_of(",}") == std::string::npos;
    });
}

} // namespace

std::ostream& operator<<(std::ostream& os, const CFeatureBag& bag)
{
    os << "# " GENAPI_PERSISTENCE_MAGIC "\n" << kVersionLine << '\n';
    os << kDevicePrefix << printable(bag.m_impl->info) << '\n';
    for (const CFeatureBag::Entry& entry : bag.m_impl->entries) {
        // Saving and reading keep names and values that a line holds safely;
        // anything else would split the line or reach a terminal as control.
        if (!writable(entry))
            continue;
        os << entry.Name.toStdString() << '\t';
        if (!entry.Selectors.empty()) {
            os << '{';
            for (size_t i = 0; i < entry.Selectors.size(); ++i)
                os << (i ? "," : "") << entry.Selectors[i].first.toStdString() << '='
                   << entry.Selectors[i].second.toStdString();
            os << "}\t";
        }
        os << entry.Value.toStdString() << '\n';
    }
    return os;
}

std::istream& operator>>(std::istream& is, CFeatureBag& bag)
{
    *bag.m_impl = CFeatureBag::Impl();
    Reader reader(*bag.m_impl);
    std::streambuf* buffer = is.rdbuf();
    std::string line;
    size_t number = 0;
    size_t total = 0;
    bool tooLong = false;
    bool tooLarge = false;
    bool pending = false;
    if (buffer) {
        char chunk[8192];
        for (;;) {
            const std::streamsize got = buffer->sgetn(chunk, sizeof chunk);
            if (got <= 0 || reader.stopped())
                break;
            total += size_t(got);
            if (total > CFeatureBag::MaxStreamSize) {
                tooLarge = true;
                break;
            }
            for (std::streamsize i = 0; i < got && !reader.stopped(); ++i) {
                const char c = chunk[i];
                if (c == '\n') {
                    reader.line(std::move(line), ++number, tooLong);
                    line.clear();
                    tooLong = false;
                    pending = false;
                    continue;
                }
                pending = true;
                if (line.size() < kMaxLineLength)
                    line.push_back(c);
                else
                    tooLong = true;
            }
        }
        if (pending && !tooLarge)
            reader.line(std::move(line), ++number, tooLong);
    }
    reader.finish(tooLarge, number);
    bag.m_impl->results = bag.m_impl->readProblems;
    is.setstate(std::ios::eofbit);
    if (!bag.m_impl->valid)
        is.setstate(std::ios::failbit);
    return is;
}

} // namespace GenApi
