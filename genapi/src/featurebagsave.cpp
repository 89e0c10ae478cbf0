// CFeatureBag::StoreToBag: saving a node map's settings into the bag, each
// selector's block under every value it can take (within bounds). Only the
// public node interfaces are used.
#include "featurebag_p.h"
#include "featurevalue.h"

#include <GenApi/Pointer.h>

#include <algorithm>
#include <map>
#include <set>

namespace GenApi {

using namespace persistence;

namespace {

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

} // namespace

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

} // namespace GenApi
