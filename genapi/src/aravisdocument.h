// Aravis's document of a description, built from the events of our own parse
// of the text instead of a second parse of its own: the same elements,
// attributes and texts, given through Aravis's DOM calls in the order its
// parser makes them (create, append, set the attributes).
#pragma once

#include "nodeproperties.h"

#include <arv.h>

#include <string>
#include <vector>

namespace GenApi {
namespace Internal {

class AravisDocumentBuilder final : public MarkupSink
{
public:
    //! Which elements the document gets.
    enum Content
    {
        Whole,         //!< every element Aravis's own parser would keep
        EvaluatedOnly, //!< without those only read back from our own record (texts for people, categories'
                       //!< lists)
    };
    //! The document will read and write through device (not owned).
    explicit AravisDocumentBuilder(ArvDevice* device, Content content = Whole)
        : m_device(device), m_content(content)
    {
    }
    ~AravisDocumentBuilder() override;
    AravisDocumentBuilder(const AravisDocumentBuilder&) = delete;
    AravisDocumentBuilder& operator=(const AravisDocumentBuilder&) = delete;

    //! The document (the caller owns it), or null when none was built.
    ArvGc* take();

    void startElement(const char* element, const char** names, const char** values) override;
    void endElement() override;
    void text(const char* text, size_t length) override;

private:
    // Gives Aravis the text gathered since the last element boundary, as its
    // parser does: without leading blanks, nothing when only blanks.
    void flushText();

    ArvDevice* m_device;
    Content m_content;
    ArvGc* m_gc = nullptr;
    ArvDomNode* m_current = nullptr;
    //! Open elements that Aravis does not know (or would not take) and
    //! everything below them: skipped, as Aravis's parser skips them.
    int m_skipped = 0;
    //! Per open element taken: whether it is an <Address>.
    std::vector<bool> m_address;
    std::string m_text;
};

} // namespace Internal
} // namespace GenApi
