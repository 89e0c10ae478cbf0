// GenICam exceptions. Every failure of the GenApi layer is reported by
// throwing one of these; GetDescription() gives the text without the
// location, what() the full text with the source file and line.
#pragma once

#include <Base/GCLinkage.h>
#include <Base/GCString.h>

#include <exception>
#include <string>

namespace GenICam {

class GCBASE_API GenericException : public std::exception
{
public:
    GenericException(const char* description, const char* sourceFileName, unsigned int sourceLine);
    GenericException(const char* description, const char* sourceFileName, unsigned int sourceLine,
                     const char* exceptionType);
    ~GenericException() noexcept override;

    virtual const char* GetDescription() const noexcept;
    virtual const char* GetSourceFileName() const noexcept;
    virtual unsigned int GetSourceLine() const noexcept;
    const char* what() const noexcept override;

private:
    std::string m_description;
    std::string m_sourceFileName;
    unsigned int m_sourceLine;
    std::string m_what;
};

#define GENICAM_DECLARE_EXCEPTION(name)                                                                      \
    class GCBASE_API name : public GenericException                                                          \
    {                                                                                                        \
    public:                                                                                                  \
        name(const char* description, const char* sourceFileName, unsigned int sourceLine)                   \
            : GenericException(description, sourceFileName, sourceLine, #name)                               \
        {                                                                                                    \
        }                                                                                                    \
        ~name() noexcept override;                                                                           \
    }

GENICAM_DECLARE_EXCEPTION(BadAllocException);
GENICAM_DECLARE_EXCEPTION(InvalidArgumentException);
GENICAM_DECLARE_EXCEPTION(OutOfRangeException);
GENICAM_DECLARE_EXCEPTION(PropertyException);
GENICAM_DECLARE_EXCEPTION(RuntimeException);
GENICAM_DECLARE_EXCEPTION(LogicalErrorException);
GENICAM_DECLARE_EXCEPTION(AccessException);
GENICAM_DECLARE_EXCEPTION(TimeoutException);
GENICAM_DECLARE_EXCEPTION(DynamicCastException);

} // namespace GenICam

// Throwing helpers that record where the exception was raised.
#define GENICAM_THROW(kind, description) throw GenICam::kind((description), __FILE__, __LINE__)
