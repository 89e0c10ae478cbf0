#include <Base/GCException.h>

namespace GenICam {

GenericException::GenericException(const char* description, const char* sourceFileName,
                                   unsigned int sourceLine)
    : GenericException(description, sourceFileName, sourceLine, "GenericException")
{
}

GenericException::GenericException(const char* description, const char* sourceFileName,
                                   unsigned int sourceLine, const char* exceptionType)
    : m_description(description ? description : ""), m_sourceFileName(sourceFileName ? sourceFileName : ""),
      m_sourceLine(sourceLine)
{
    m_what = std::string(exceptionType) + " thrown (file '" + m_sourceFileName + "', line " +
             std::to_string(m_sourceLine) + "): " + m_description;
}

GenericException::~GenericException() noexcept = default;

const char* GenericException::GetDescription() const noexcept
{
    return m_description.c_str();
}
const char* GenericException::GetSourceFileName() const noexcept
{
    return m_sourceFileName.c_str();
}
unsigned int GenericException::GetSourceLine() const noexcept
{
    return m_sourceLine;
}
const char* GenericException::what() const noexcept
{
    return m_what.c_str();
}

#define GENICAM_DEFINE_EXCEPTION(name) name::~name() noexcept = default;
GENICAM_DEFINE_EXCEPTION(BadAllocException)
GENICAM_DEFINE_EXCEPTION(InvalidArgumentException)
GENICAM_DEFINE_EXCEPTION(OutOfRangeException)
GENICAM_DEFINE_EXCEPTION(PropertyException)
GENICAM_DEFINE_EXCEPTION(RuntimeException)
GENICAM_DEFINE_EXCEPTION(LogicalErrorException)
GENICAM_DEFINE_EXCEPTION(AccessException)
GENICAM_DEFINE_EXCEPTION(TimeoutException)
GENICAM_DEFINE_EXCEPTION(DynamicCastException)

} // namespace GenICam
