// CFeatureBag: the bag, saving a node map into it and its text form. Loading
// is in featurebagload.cpp. Only the public node interfaces are used.
#include "featurebag_p.h"
#include "featurevalue.h"

#include <GenApi/Persistence.h>
#include <GenApi/Pointer.h>

#include <algorithm>
#include <cctype>
#include <istream>
#include <map>
#include <ostream>
#include <set>
#include <sstream>

namespace GenApi {

using namespace persistence;

namespace {

const char* const kVersionLine = "# GenApi persistence file (version 3.0.1)";
const char* const kDevicePrefix = "# Device = ";
// The identifying line of files that hold several bags (one per user set):
// recognised only to say so.
const char* const kMultiBagMagic = "{4709CB3C-7322-4460-84C3-DA11DDA09939}";
const size_t kHeaderLines = 3;
const size_t kMaxLineLength = 64 * 1024;
const int kMaxMalformedLines = 100;
// A selector with more values than this is saved under its current value only.
const int kMaxSelectorValues = 256;
const int kMaxSelectorDepth = 4;
// Nested selectors multiply: a block is walked through every value only while
// the values of the selectors around it and its own give at most this many
// combinations; deeper selectors keep their current value.
const int64_t kMaxSelectorCombinations = 4096;
// Whatever the description, a save makes at most this many selector writes
// and lines; past either it stops, and says what it did not read.
const int64_t kMaxSelectorWrites = 20000;
const size_t kMaxSavedLines = 500000;

// Text of the file or the device with each control character (C1 ones in
// their UTF-8 form too) as '?'.
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

// The same, fit for a message: at most 40 bytes.
std::string shown(const std::string& text)
{
    return text.size() > 40 ? printable(text.substr(0, 40)) + "..." : printable(text);
}

// --- saving -----------------------------------------------------------------

class Storer
{
public:
    Storer(INodeMap* map, CFeatureBag::Impl& bag, int limit, const gcstring_vector* filter)
        : m_map(map), m_entries(bag.entries), m_results(bag.results), m_limit(limit), m_filter(filter)
    {
    }

    void run()
    {
        NodeList_t nodes;
        m_map->GetNodes(nodes);
        // Features under a selector that can be stepped are saved in that
        // selector's block only.
        for (INode* node : nodes) {
            if (isBlockSelector(node, 0)) {
                for (INode* selected : selectedOf(node))
                    m_covered.insert(selected);
            }
        }
        for (INode* node : nodes) {
            if (full() || m_stopped)
                break;
            if (m_covered.count(node))
                continue;
            if (isBlockSelector(node, 0))
                storeBlock(node, 0, 1);
            else if (wanted(node))
                storeFeature(node);
        }
        checkStillAnswers();
    }

private:
    // A device that stops answering reports its features unavailable rather
    // than failing each read: the save is only complete when the device
    // still gives the first and the last value saved, and gives some value
    // when it has settings at all.
    void checkStillAnswers()
    {
        if (m_stopped || full())
            return;
        if (m_entries.empty()) {
            if (m_sawSetting)
                stop("the device gave none of its settings");
            return;
        }
        for (const CFeatureBag::Entry* entry : {&m_entries.front(), &m_entries.back()}) {
            try {
                INode* node = m_map->GetNode(entry->Name);
                std::string text;
                if (node)
                    readValue(node, valueKind(node), true, text);
            } catch (const std::exception& error) {
                stop("the device stopped answering: " + describe(error));
                return;
            }
        }
    }

    bool full() const { return m_limit >= 0 && m_entries.size() >= size_t(m_limit); }

    void push(INode* node, const std::string& value)
    {
        if (full() || m_stopped)
            return;
        if (m_entries.size() >= kMaxSavedLines) {
            stop("the settings give more than " + std::to_string(kMaxSavedLines) + " lines");
            return;
        }
        CFeatureBag::Entry entry;
        entry.Line = kHeaderLines + m_entries.size() + 1;
        entry.Name = node->GetName();
        entry.Value = value;
        m_entries.push_back(std::move(entry));
    }

    // A feature that is left out of the file: said once per feature.
    void note(INode* node, CFeatureBag::EStatus status, const std::string& message)
    {
        if (!m_noted.insert(node).second)
            return;
        CFeatureBag::LineResult result;
        result.Name = shown(node->GetName().toStdString());
        result.Status = status;
        result.Message = message;
        m_results.push_back(std::move(result));
    }

    // The save ends here: what is in the bag stays, the rest is not read.
    void stop(const std::string& why)
    {
        if (m_stopped)
            return;
        m_stopped = true;
        CFeatureBag::LineResult result;
        result.Status = CFeatureBag::NotRead;
        result.Message = "saving stopped: " + why;
        m_results.push_back(std::move(result));
    }

    bool inFilter(INode* node) const
    {
        if (!m_filter || m_filter->empty())
            return true;
        const gcstring name = node->GetName();
        return std::find(m_filter->begin(), m_filter->end(), name) != m_filter->end();
    }

    bool wanted(INode* node) const
    {
        return node->IsStreamable() && valueKind(node) != ValueKind::None && inFilter(node);
    }

    static std::vector<INode*> selectedOf(INode* selector)
    {
        FeatureList_t features;
        selector->GetSelectedFeatures(features);
        std::vector<INode*> nodes;
        for (IValue* value : features) {
            if (INode* node = value ? value->GetNode() : nullptr)
                nodes.push_back(node);
        }
        return nodes;
    }

    // A selector whose values can be stepped through and that selects
    // something to save (directly or through a selector it selects). Kept
    // per node and depth: selectors that select each other are looked at
    // once each, not once per path.
    bool isBlockSelector(INode* node, int depth)
    {
        if (depth > kMaxSelectorDepth || !node->IsSelector())
            return false;
        const auto key = std::make_pair(node, depth);
        const auto known = m_blockSelectors.find(key);
        if (known != m_blockSelectors.end())
            return known->second;
        m_blockSelectors[key] = false;
        const ValueKind kind = valueKind(node);
        bool block = false;
        if ((kind == ValueKind::Enumeration || kind == ValueKind::Integer) && node->GetAccessMode() == RW) {
            for (INode* selected : selectedOf(node)) {
                if (selected != node && (wanted(selected) || isBlockSelector(selected, depth + 1))) {
                    block = true;
                    break;
                }
            }
        }
        m_blockSelectors[key] = block;
        return block;
    }

    bool safeName(INode* node)
    {
        if (isSafeName(node->GetName().toStdString()))
            return true;
        note(node, CFeatureBag::Skipped, "the name cannot be written in a settings file");
        return false;
    }

    void storeFeature(INode* node)
    {
        m_sawSetting = true;
        if (!safeName(node))
            return;
        try {
            if (node->GetAccessMode() != RW)
                return;
            std::string text;
            if (readValue(node, valueKind(node), false, text))
                push(node, text);
            else
                note(node, CFeatureBag::Skipped, "the value cannot be written on one line of text");
        } catch (const std::exception& error) {
            note(node, CFeatureBag::NotRead, describe(error));
        }
    }

    // The values to step through; only `current` when there are too many
    // (said once).
    std::vector<std::string> selectorValues(INode* selector, const std::string& current, int64_t combinations)
    {
        std::vector<std::string> values;
        std::string tooMany;
        if (valueKind(selector) == ValueKind::Enumeration) {
            StringList_t symbolics;
            CEnumerationPtr(selector)->GetSymbolics(symbolics);
            if (symbolics.size() > size_t(kMaxSelectorValues))
                tooMany = std::to_string(symbolics.size()) + " entries";
            for (size_t i = 0; tooMany.empty() && i < symbolics.size(); ++i) {
                if (!hasControlCharacter(symbolics[i].toStdString()))
                    values.push_back(symbolics[i].toStdString());
            }
        } else {
            CIntegerPtr integer(selector);
            const int64_t minimum = integer->GetMin();
            const int64_t maximum = integer->GetMax();
            const int64_t increment = std::max<int64_t>(1, integer->GetInc());
            if (maximum < minimum ||
                (uint64_t(maximum) - uint64_t(minimum)) / uint64_t(increment) >= uint64_t(kMaxSelectorValues))
                tooMany = "more than " + std::to_string(kMaxSelectorValues) + " values";
            for (int64_t value = minimum; tooMany.empty() && value <= maximum; value += increment) {
                values.push_back(std::to_string(value));
                if (maximum - value < increment)
                    break;
            }
        }
        if (tooMany.empty() && combinations * int64_t(values.size()) > kMaxSelectorCombinations)
            tooMany = std::to_string(values.size()) +
                      " values, which with the selectors around it make more than " +
                      std::to_string(kMaxSelectorCombinations) + " combinations";
        if (tooMany.empty())
            return values;
        note(selector, CFeatureBag::Skipped,
             "the selector has " + tooMany + ": what it selects is saved under its current value only");
        return {current};
    }

    bool select(INode* selector, const std::string& value)
    {
        if (++m_selectorWrites > kMaxSelectorWrites) {
            stop("the selectors take more than " + std::to_string(kMaxSelectorWrites) + " writes");
            return false;
        }
        try {
            ParsedValue parsed;
            std::string error;
            if (!parseValue(selector, valueKind(selector), value, parsed, &error))
                return false;
            writeValue(selector, parsed, true);
            return true;
        } catch (const std::exception& error) {
            // A value the device will not select now has nothing saved under
            // it; a device that stopped answering is found at the end.
            note(selector, CFeatureBag::Skipped,
                 "the device refuses the value " + shown(value) +
                     ", nothing is saved under it: " + describe(error));
            return false;
        }
    }

    // Saves every selected feature under every available selector value, each
    // block of lines after the selector's line, then puts the selector back
    // and saves its own value last. `combinations` counts the value
    // combinations of the selectors around this one.
    void storeBlock(INode* selector, int depth, int64_t combinations)
    {
        m_sawSetting = true;
        if (!safeName(selector))
            return;
        std::string original;
        std::vector<std::string> values;
        try {
            if (!readValue(selector, valueKind(selector), false, original)) {
                note(selector, CFeatureBag::Skipped, "the value cannot be written on one line of text");
                return;
            }
            values = selectorValues(selector, original, combinations);
        } catch (const std::exception& error) {
            note(selector, CFeatureBag::NotRead, describe(error));
            return;
        }
        const std::vector<INode*> selected = selectedOf(selector);
        const int64_t inner = combinations * int64_t(values.size());
        for (const std::string& value : values) {
            if (full() || m_stopped)
                break;
            if (!select(selector, value))
                continue;
            push(selector, value);
            for (INode* node : selected) {
                if (node == selector || m_stopped)
                    continue;
                if (isBlockSelector(node, depth + 1))
                    storeBlock(node, depth + 1, inner);
                else if (wanted(node))
                    storeFeature(node);
            }
        }
        // The selector goes back even when the save stopped.
        m_stopped ? restore(selector, original) : (void)select(selector, original);
        push(selector, original);
    }

    void restore(INode* selector, const std::string& value)
    {
        try {
            ParsedValue parsed;
            std::string error;
            if (parseValue(selector, valueKind(selector), value, parsed, &error))
                writeValue(selector, parsed, true);
        } catch (const std::exception&) {
        }
    }

    INodeMap* m_map;
    std::vector<CFeatureBag::Entry>& m_entries;
    std::vector<CFeatureBag::LineResult>& m_results;
    int m_limit;
    const gcstring_vector* m_filter;
    std::set<INode*> m_covered;
    std::set<INode*> m_noted;
    std::map<std::pair<INode*, int>, bool> m_blockSelectors;
    int64_t m_selectorWrites = 0;
    bool m_stopped = false;
    bool m_sawSetting = false;
};

std::string readInfoFeature(INodeMap* map, const char* name)
{
    try {
        INode* node = map->GetNode(name);
        if (!node || valueKind(node) != ValueKind::String)
            return std::string();
        const EAccessMode mode = node->GetAccessMode();
        if (mode != RO && mode != RW)
            return std::string();
        return CStringPtr(node)->GetValue().toStdString();
    } catch (const std::exception&) {
        return std::string();
    }
}

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

int64_t CFeatureBag::StoreToBag(INodeMap* pNodeMap, const int MaxNumPersistSkriptEntries,
                                gcstring_vector* pFeatureFilter)
{
    *m_impl = Impl();
    if (!pNodeMap)
        return 0;
    try {
        std::string model = readInfoFeature(pNodeMap, "DeviceModelName");
        if (model.empty())
            model = pNodeMap->GetDeviceName().toStdString();
        const std::string version = readInfoFeature(pNodeMap, "DeviceVersion");
        m_impl->info = printable(version.empty() ? model : model + ", version " + version);
        Storer(pNodeMap, *m_impl, MaxNumPersistSkriptEntries, pFeatureFilter).run();
    } catch (const std::exception& error) {
        // What was read so far stays in the bag; the results say the rest
        // was not read.
        LineResult result;
        result.Status = NotRead;
        result.Message = "saving stopped: " + describe(error);
        m_impl->results.push_back(std::move(result));
    }
    return int64_t(m_impl->entries.size());
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
