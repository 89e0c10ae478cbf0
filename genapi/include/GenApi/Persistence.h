// Feature persistence: a device's settings saved to text and loaded back into
// the same device or another of its model.
//
// The text is the GenApi persistence format. It opens with comment lines: the
// format's identifying line (GENAPI_PERSISTENCE_MAGIC), a version line and a
// "# Device = ..." line naming the model and version the settings came from.
// Every other line starting with '#' is a comment. Then one line per value:
//
//     Name<TAB>Value
//
// in the order a loader replays them. A feature that depends on a selector is
// saved once per available selector value, each time after a line that sets
// the selector, and the selector's own value follows the block, so that
// replaying the lines in order restores every value and the selector. The
// three-column form Name<TAB>{Selector=Value,...}<TAB>Value is read as well.
//
// Values: enumerations by symbolic name, booleans 0/1, integers in decimal,
// floats with as many digits as give back the same double, strings as they are,
// registers as 0x and two hex digits per byte.
//
// Names and values hold no control characters: a feature whose name or value
// cannot be written on a line as it is, is left out of a save with a reason,
// and a line that holds one is refused when read. A load sets settings only:
// streamable features and the selectors of their lines; a command, a register
// that a command writes, or any other node is refused per line.
//
// Nothing here throws: failures of the device and of the text are reported per
// line. Thread safety: one bag is used by one thread at a time; the node map
// it works on may be used by others meanwhile.
#pragma once

#include <Base/GCLinkage.h>
#include <Base/GCString.h>
#include <GenApi/Interfaces.h>

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <utility>
#include <vector>

//! The identifying first line of a persistence text (after "# ").
#define GENAPI_PERSISTENCE_MAGIC "{05D8C294-F295-4dfb-9D01-096BD04049F4}"

namespace GenApi {

class GENAPI_API CFeatureBag
{
public:
    //! One value line of the bag.
    struct Entry
    {
        size_t Line = 0; //!< line number in the text (1-based)
        gcstring Name;
        //! The selectors of the three-column form, in the order given.
        std::vector<std::pair<gcstring, gcstring>> Selectors;
        gcstring Value;
    };

    //! What became of one line when the bag was loaded (or read).
    enum EStatus
    {
        Written,        //!< written (not read back: Verify was off)
        Verified,       //!< written, and the device gives the value back
        VerifyFailed,   //!< written, but the device gives another value back
        Refused,        //!< the device refused every write of it (Message says why)
        NotWritable,    //!< the feature stayed read-only or unavailable in every pass
        UnknownFeature, //!< the device has no feature of that name
        BadValue,       //!< the text is no value of the feature's kind (or no entry of it)
        Malformed,      //!< the line or the file is not of the format
        NotASetting,    //!< the node is no setting (not streamable: a command's register...)
        NotRead,        //!< saving: the device did not give the value (Message says why)
        Skipped         //!< saving: left out on purpose (a name that no line can hold...)
    };

    struct LineResult
    {
        size_t Line = 0; //!< 0 for the file as a whole
        gcstring Name;
        gcstring Value;
        EStatus Status = Malformed;
        gcstring Message; //!< why, for every status but Written and Verified
        int Pass = 0;     //!< the loading pass that wrote it (1 = first)
    };

    //! A settings text larger than this is refused as a whole.
    static const size_t MaxStreamSize = 16u << 20;
    //! The failures a report lists before it only counts the rest.
    static const size_t MaxReportedFailures = 100;

    CFeatureBag();
    ~CFeatureBag();
    CFeatureBag(const CFeatureBag& other);
    CFeatureBag& operator=(const CFeatureBag& other);

    //! Reads every streamable, readable and writable value feature of the
    //! node map (commands never) into the bag, which is emptied first, with
    //! selector-dependent features under every available selector value; the
    //! selectors are left as they were. MaxNumPersistSkriptEntries limits the
    //! lines (-1: no limit); pFeatureFilter, when given and not empty, names
    //! the only features to save. Returns the number of lines.
    //! The work is bounded whatever the description: a selector of more than
    //! 256 values, or one whose values with those of the selectors around it
    //! make more than 4096 combinations, is saved under its current value
    //! only; a save stops after 20000 selector writes or 500000 lines.
    //! GetLineResults() then lists what was left out: NotRead for a value the
    //! device did not give (the bag is incomplete), Skipped for what a
    //! settings file cannot hold.
    int64_t StoreToBag(INodeMap* pNodeMap, const int MaxNumPersistSkriptEntries = -1,
                       gcstring_vector* pFeatureFilter = nullptr);

    //! Writes the bag's values to the node map: passes over the lines that are
    //! still to be written, each write once per pass, until every line is
    //! written or a pass writes nothing more (a value that a later line makes
    //! legal is written in a later pass); a selector-dependent value is only
    //! written under the selector value it was saved with. With Verify, the
    //! writes check their value and every value is read back at the end.
    //! Every line's result is in GetLineResults(); the failed ones are also
    //! appended to *pErrorList as "line N: Name: reason". True when every line
    //! was written (and verified). *pErrorList gets the first
    //! MaxReportedFailures failures and then one line that counts the rest.
    bool LoadFromBag(INodeMap* pNodeMap, bool Verify = true, gcstring_vector* pErrorList = nullptr);

    //! The text of the "# Device = " line: model and version of the device.
    void SetInfo(const gcstring& Info);
    gcstring GetInfo() const;
    void SetBagName(const gcstring& Name);
    gcstring GetBagName() const;

    const std::vector<Entry>& GetEntries() const;
    //! The last load's results by line, with the problems found when the text
    //! was read (malformed lines, a bad header); after reading, only those;
    //! after a save, what it left out.
    const std::vector<LineResult>& GetLineResults() const;
    //! Passes the last load made (0 when it wrote nothing).
    int GetNumPasses() const;
    //! False when the text read was not a persistence text (nothing loads).
    bool IsValid() const;

    //! The bag as persistence text.
    gcstring ToString() const;
    //! Same lines with the same values (line numbers and info aside).
    bool operator==(const CFeatureBag& other) const;
    bool operator!=(const CFeatureBag& other) const { return !(*this == other); }

    //! Writes the bag as persistence text.
    friend GENAPI_API std::ostream& operator<<(std::ostream& os, const CFeatureBag& bag);
    //! Reads persistence text into the bag (emptied first). Reads at most
    //! MaxStreamSize bytes; sets the stream's failbit when the text is not a
    //! persistence text (its results say why). Malformed lines are kept as
    //! results and skipped.
    friend GENAPI_API std::istream& operator>>(std::istream& is, CFeatureBag& bag);

    static const char* StatusName(EStatus status);

    struct Impl;

private:
    std::unique_ptr<Impl> m_impl;
};

} // namespace GenApi
