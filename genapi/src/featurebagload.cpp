// CFeatureBag::LoadFromBag: writing a bag's lines to a node map in passes,
// with selector-dependent values written under their selector value only.
#include "featurebag_p.h"
#include "featurevalue.h"

#include <GenApi/Pointer.h>

#include <algorithm>
#include <map>

namespace GenApi {

using namespace persistence;

namespace {

// Each pass writes at least one more line or ends the load; this bounds the
// passes of a pathological file all the same.
const int kMaxPasses = 64;

const char* accessText(EAccessMode mode)
{
    switch (mode) {
    case RO:
        return "read-only";
    case NA:
        return "not available";
    case NI:
        return "not implemented";
    default:
        return "not writable";
    }
}

class Loader
{
public:
    Loader(CFeatureBag::Impl& bag, INodeMap* map, bool verify) : m_bag(bag), m_map(map), m_verify(verify) {}

    void run()
    {
        prepare();
        int pass = 0;
        bool again = true;
        while (again && pass < kMaxPasses) {
            ++pass;
            bool progress = false;
            again = false;
            for (size_t i = 0; i < m_lines.size(); ++i) {
                Line& line = m_lines[i];
                if (line.done || line.final)
                    continue;
                if (attempt(line, pass))
                    progress = true;
                else
                    again = true;
            }
            again = again && progress;
        }
        m_bag.passes = pass;
        // Selected values are read back under their selector values first;
        // the selectors' own values once they are restored.
        if (m_verify)
            verify(false);
        restoreSelectors();
        if (m_verify)
            verify(true);
        report();
    }

private:
    struct Context
    {
        INode* selector = nullptr;
        std::string value;
        size_t sourceLine = SIZE_MAX; //!< index of the selector's line, SIZE_MAX: three-column form
    };

    struct Line
    {
        const CFeatureBag::Entry* entry = nullptr;
        INode* node = nullptr;
        ValueKind kind = ValueKind::None;
        std::vector<Context> context;
        bool isSelector = false;
        bool done = false;  //!< written
        bool final = false; //!< failed for good (no later pass can help)
        CFeatureBag::EStatus status = CFeatureBag::Refused;
        std::string message;
        int pass = 0;
    };

    // Resolves names and records, for each line, the selector values it was
    // saved under: the last line of each of its selectors before it.
    void prepare()
    {
        std::map<std::string, size_t> lastSelectorLine;
        m_lines.resize(m_bag.entries.size());
        for (size_t i = 0; i < m_bag.entries.size(); ++i) {
            const CFeatureBag::Entry& entry = m_bag.entries[i];
            Line& line = m_lines[i];
            line.entry = &entry;
            try {
                line.node = m_map->GetNode(entry.Name);
                if (!line.node) {
                    fail(line, CFeatureBag::UnknownFeature, "not in this device's description");
                    continue;
                }
                line.kind = valueKind(line.node);
                if (line.kind == ValueKind::None) {
                    fail(line, CFeatureBag::BadValue,
                         "the feature holds no value that a settings file can set");
                    continue;
                }
                if (!isSetting(line.node)) {
                    fail(line, CFeatureBag::NotASetting,
                         "a settings file sets streamable features and their selectors only");
                    continue;
                }
                line.isSelector = line.node->IsSelector();
                for (const auto& selector : entry.Selectors) {
                    Context context;
                    context.selector = m_map->GetNode(selector.first);
                    context.value = selector.second.toStdString();
                    if (!context.selector) {
                        fail(line, CFeatureBag::UnknownFeature,
                             "this device has no selector " + selector.first.toStdString());
                        break;
                    }
                    // Only a selector of the feature is set before it.
                    if (!selects(context.selector, line.node)) {
                        fail(line, CFeatureBag::NotASetting,
                             selector.first.toStdString() + " is no selector of " + entry.Name.toStdString());
                        break;
                    }
                    line.context.push_back(context);
                }
                if (line.final)
                    continue;
                if (entry.Selectors.empty()) {
                    FeatureList_t selectors;
                    line.node->GetSelectingFeatures(selectors);
                    for (IValue* value : selectors) {
                        INode* selector = value ? value->GetNode() : nullptr;
                        if (!selector)
                            continue;
                        const auto found = lastSelectorLine.find(selector->GetName().toStdString());
                        if (found == lastSelectorLine.end())
                            continue;
                        Context context;
                        context.selector = selector;
                        context.value = m_bag.entries[found->second].Value.toStdString();
                        context.sourceLine = found->second;
                        line.context.push_back(context);
                    }
                }
                if (line.isSelector && entry.Selectors.empty())
                    lastSelectorLine[entry.Name.toStdString()] = i;
            } catch (const std::exception& error) {
                fail(line, CFeatureBag::Refused, describe(error));
            }
        }
    }

    static bool selects(INode* selector, INode* node)
    {
        FeatureList_t selecting;
        node->GetSelectingFeatures(selecting);
        return std::any_of(selecting.begin(), selecting.end(),
                           [selector](IValue* value) { return value && value->GetNode() == selector; });
    }

    static void fail(Line& line, CFeatureBag::EStatus status, const std::string& message)
    {
        line.final = true;
        line.status = status;
        line.message = message;
    }

    static void postpone(Line& line, CFeatureBag::EStatus status, const std::string& message)
    {
        line.status = status;
        line.message = message;
    }

    // Writes a selector unless it holds that value already (as far as this
    // load knows); records its value from before the load first.
    bool select(INode* selector, const std::string& value, std::string* error)
    {
        const std::string name = selector->GetName().toStdString();
        const auto current = m_selected.find(name);
        if (current != m_selected.end() && current->second == value)
            return true;
        try {
            noteOriginal(selector);
            ParsedValue parsed;
            if (!parseValue(selector, valueKind(selector), value, parsed, error))
                return false;
            writeValue(selector, parsed, m_verify);
            m_selected[name] = value;
            return true;
        } catch (const std::exception& exception) {
            *error = describe(exception);
            m_selected.erase(name);
            return false;
        }
    }

    void noteOriginal(INode* selector)
    {
        const std::string name = selector->GetName().toStdString();
        if (m_originals.count(name))
            return;
        std::string text;
        try {
            if (readValue(selector, valueKind(selector), false, text))
                m_originals[name] = text;
        } catch (const std::exception&) {
        }
        if (!m_originals.count(name))
            m_originals[name] = std::string();
    }

    bool setContext(Line& line, std::string* error)
    {
        for (const Context& context : line.context) {
            if (context.sourceLine != SIZE_MAX && !m_lines[context.sourceLine].done) {
                *error = "waits for line " + std::to_string(m_bag.entries[context.sourceLine].Line) + " (" +
                         context.selector->GetName().toStdString() + " " + context.value + ")";
                return false;
            }
            std::string why;
            if (!select(context.selector, context.value, &why)) {
                *error = "cannot set its selector " + context.selector->GetName().toStdString() + " to " +
                         context.value + ": " + why;
                return false;
            }
        }
        return true;
    }

    bool attempt(Line& line, int pass)
    {
        const std::string value = line.entry->Value.toStdString();
        std::string error;
        if (!setContext(line, &error)) {
            postpone(line, CFeatureBag::Refused, error);
            return false;
        }
        try {
            const EAccessMode mode = line.node->GetAccessMode();
            if (mode != RW && mode != WO) {
                postpone(line, CFeatureBag::NotWritable, std::string("the feature is ") + accessText(mode));
                return false;
            }
            ParsedValue parsed;
            if (!parseValue(line.node, line.kind, value, parsed, &error)) {
                fail(line, CFeatureBag::BadValue, error);
                return false;
            }
            if (line.isSelector)
                noteOriginal(line.node);
            writeValue(line.node, parsed, m_verify);
        } catch (const std::exception& exception) {
            if (line.isSelector)
                m_selected.erase(line.entry->Name.toStdString());
            postpone(line, CFeatureBag::Refused, describe(exception));
            return false;
        }
        if (line.isSelector)
            m_selected[line.entry->Name.toStdString()] = value;
        line.done = true;
        line.status = CFeatureBag::Written;
        line.message.clear();
        line.pass = pass;
        return true;
    }

    // Reads back the last line written for each feature and selector value
    // (earlier lines of a selector were meant to be overwritten): the
    // selectors' lines or every other line.
    void verify(bool selectors)
    {
        std::map<std::string, size_t> last;
        for (size_t i = 0; i < m_lines.size(); ++i) {
            if (m_lines[i].done)
                last[key(m_lines[i])] = i;
        }
        for (size_t i = 0; i < m_lines.size(); ++i) {
            Line& line = m_lines[i];
            if (!line.done || last[key(line)] != i ||
                (line.isSelector && line.entry->Selectors.empty()) != selectors)
                continue;
            std::string error;
            if (!setContext(line, &error)) {
                line.status = CFeatureBag::VerifyFailed;
                line.message = "cannot be read back: " + error;
                continue;
            }
            try {
                std::string text;
                const EAccessMode mode = line.node->GetAccessMode();
                if (mode == WO) {
                    line.status = CFeatureBag::Written; // nothing to read back
                } else if (!readValue(line.node, line.kind, true, text)) {
                    line.status = CFeatureBag::VerifyFailed;
                    line.message = "the value read back cannot be shown";
                } else if (sameValue(line.kind, text, line.entry->Value.toStdString())) {
                    line.status = CFeatureBag::Verified;
                } else {
                    line.status = CFeatureBag::VerifyFailed;
                    line.message = "written, but the device gives back " + text;
                }
            } catch (const std::exception& exception) {
                line.status = CFeatureBag::VerifyFailed;
                line.message = "written, but reading it back fails: " + describe(exception);
            }
        }
    }

    std::string key(const Line& line) const
    {
        std::string text = line.entry->Name.toStdString();
        for (const Context& context : line.context)
            text += "\t" + context.selector->GetName().toStdString() + "=" + context.value;
        return text;
    }

    // Every selector this load changed ends at the value of its last line, or
    // where it was before when that line was not written.
    void restoreSelectors()
    {
        std::map<std::string, const Line*> lastLine;
        for (const Line& line : m_lines) {
            if (line.node && line.isSelector && line.entry->Selectors.empty())
                lastLine[line.entry->Name.toStdString()] = &line;
        }
        for (const auto& original : m_originals) {
            const auto found = lastLine.find(original.first);
            const bool fromFile = found != lastLine.end() && found->second->done;
            const std::string wanted = fromFile ? found->second->entry->Value.toStdString() : original.second;
            INode* selector = m_map->GetNode(original.first.c_str());
            std::string error;
            if (selector && !wanted.empty())
                select(selector, wanted, &error);
        }
    }

    void report()
    {
        std::vector<CFeatureBag::LineResult> results = m_bag.readProblems;
        for (const Line& line : m_lines) {
            CFeatureBag::LineResult result;
            result.Line = line.entry->Line;
            result.Name = line.entry->Name;
            result.Value = line.entry->Value;
            result.Status = line.status;
            result.Message = line.message;
            result.Pass = line.pass;
            results.push_back(std::move(result));
        }
        std::stable_sort(results.begin(), results.end(),
                         [](const CFeatureBag::LineResult& a, const CFeatureBag::LineResult& b) {
                             return a.Line < b.Line;
                         });
        m_bag.results = std::move(results);
    }

    CFeatureBag::Impl& m_bag;
    INodeMap* m_map;
    bool m_verify;
    std::vector<Line> m_lines;
    //! Selector values this load wrote, by selector name.
    std::map<std::string, std::string> m_selected;
    //! Selector values from before this load changed them.
    std::map<std::string, std::string> m_originals;
};

} // namespace

bool CFeatureBag::LoadFromBag(INodeMap* pNodeMap, bool Verify, gcstring_vector* pErrorList)
{
    m_impl->results = m_impl->readProblems;
    m_impl->passes = 0;
    if (!pNodeMap) {
        LineResult result;
        result.Message = "no node map to load into";
        m_impl->results.push_back(result);
    } else if (m_impl->valid) {
        try {
            Loader(*m_impl, pNodeMap, Verify).run();
        } catch (const std::exception& error) {
            LineResult result;
            result.Message = std::string("loading stopped: ") + describe(error);
            m_impl->results.push_back(result);
        }
    }
    bool ok = true;
    size_t failures = 0;
    for (const LineResult& result : m_impl->results) {
        if (result.Status == Written || result.Status == Verified)
            continue;
        ok = false;
        if (!pErrorList || ++failures > MaxReportedFailures)
            continue;
        std::string text = result.Line ? "line " + std::to_string(result.Line) + ": " : std::string();
        if (!result.Name.empty())
            text += result.Name.toStdString() + " " + result.Value.toStdString() + ": ";
        text += std::string(StatusName(result.Status)) + ": " + result.Message.toStdString();
        pErrorList->push_back(text);
    }
    if (pErrorList && failures > MaxReportedFailures)
        pErrorList->push_back("and " + std::to_string(failures - MaxReportedFailures) + " more lines failed");
    return ok;
}

} // namespace GenApi
