#include "hostilecases.h"

#include "bytefields.h"

const char* const kGoodDescription =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<RegisterDescription ModelName=\"Fake\" VendorName=\"Campane_Tests\" StandardNameSpace=\"None\"\n"
    "    SchemaMajorVersion=\"1\" SchemaMinorVersion=\"1\" SchemaSubMinorVersion=\"0\"\n"
    "    MajorVersion=\"1\" MinorVersion=\"0\" SubMinorVersion=\"0\"\n"
    "    xmlns=\"http://www.genicam.org/GenApi/Version_1_1\">\n"
    "  <Category Name=\"Root\"><pFeature>Good</pFeature></Category>\n"
    "  <IntReg Name=\"Good\"><Address>0x20000</Address><Length>4</Length><AccessMode>RW</AccessMode>\n"
    "    <pPort>Device</pPort><Sign>Unsigned</Sign><Endianess>BigEndian</Endianess></IntReg>\n"
    "  <Port Name=\"Device\"/>\n"
    "</RegisterDescription>\n";

std::string zipUrl(const std::string& bytes)
{
    return FakeGigeDevice::localUrl("fake.zip", FakeGigeDevice::kDescriptionAddress, bytes.size());
}

std::string patched(std::string zip, long offset, uint32_t value)
{
    const size_t at = offset < 0 ? zip.size() - size_t(-offset) : size_t(offset);
    GenApi::Internal::setLE32(reinterpret_cast<uint8_t*>(&zip[at]), value);
    return zip;
}

std::vector<HostileCase> sharedHostileCases()
{
    using M = FakeGigeDevice::Misbehaviour;
    const std::string xml(kGoodDescription);
    const std::string zipped = FakeGigeDevice::zip("fake.xml", xml);
    const std::string noAnswer = "no valid answer in time";
    const long endRecord = 22; // the central directory's offset is 16 bytes into it
    std::string twice = xml;
    twice.replace(twice.find("Name=\"Good\">"), 12, "Name=\"Good\" Name=\"Good\">");
    return {
        {"honest", M::None, xml, "", ""},
        {"honest, zipped", M::None, zipped, zipUrl(zipped), ""},
        {"size 2^63-1", M::None, xml, "Local:desc.xml;10000;7fffffffffffffff", "outside 1 to 67108864"},
        {"outside the memory", M::None, xml, "Local:fake.xml;FFFFFF00;1000", "outside its 32-bit memory"},
        {"local file", M::None, xml, "File:///dev/zero", "'file:' URL"},
        {"zip, directory offset outside", M::None, patched(zipped, -(endRecord - 16), 0x7ffffff0),
         zipUrl(zipped), "central directory outside"},
        {"silent", M::Silent, xml, "", noAnswer},
        {"pending forever", M::Pending, xml, "", noAnswer},
        {"pending forever once in control", M::PendingOnControl, xml, "", "did not finish opening"},
        {"attribute given twice", M::None, twice, "", "gives the attribute Name twice"},
    };
}
