// Aravis's document of a description, built by Aravis's own parser and from
// our single parse of the text, written out for comparison (no Qt here:
// arv.h and Qt headers do not mix).
#pragma once

#include <string>

namespace campane {

//! The document as "<Tag Name text ...>" nesting, texts without blanks and
//! addresses as numbers (Aravis's parser drops the leading blanks of every
//! piece of text it is given, and our document gives it high addresses in a
//! form it reads right); empty when no document is built.
std::string DescribeAravisParse(const std::string& xml);
std::string DescribeOwnParse(const std::string& xml);

} // namespace campane
