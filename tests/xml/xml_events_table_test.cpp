// Documents and the event listings they must give, through the code the xml-events tool uses.
#include "common/xml_event_lines.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct EventCase {
    const char *what;
    std::string document;
    const char *events; // the whole listing, ending in "ok" or the error line
};

void PrintTo(const EventCase &c, std::ostream *os)
{
    *os << c.what;
}

const EventCase cases[] = {
    // Elements and attributes
    {"empty element", "<a/>", "start a\nend\nok\n"},
    {"attribute", "<a x=\"1\"/>", "start a\nattr x=1\nend\nok\n"},
    {"single-quoted attributes need whitespace between them", "<a x='1'y='2'/>",
     "start a\nattr x=1\nerror -1 line 1 column 9 offset 9\n"},
    {"whitespace around = and before />", "<a x = '1'\n\ty=\"2\" />",
     "start a\nattr x=1\nattr y=2\nend\nok\n"},
    {"attribute without a value", "<a x/>", "start a\nerror -1 line 1 column 5 offset 5\n"},
    {"unquoted attribute value", "<a x=1/>", "start a\nerror -1 line 1 column 6 offset 6\n"},
    {"< in an attribute value", "<a x=\"<\"/>", "start a\nerror -1 line 1 column 7 offset 7\n"},
    {"the other quote inside a value", "<a x=\"it's\" y='say \"hi\"'/>",
     "start a\nattr x=it's\nattr y=say \"hi\"\nend\nok\n"},
    {"> is allowed in a value", "<a x=\"a>b\"/>", "start a\nattr x=a>b\nend\nok\n"},
    {"empty attribute value", "<a x=''></a>", "start a\nattr x=\nend\nok\n"},
    {"tab, LF and CR LF in a value become spaces", "<a x=\"1\t2\n3\r\n4\r5\"/>",
     "start a\nattr x=1 2 3 4 5\nend\nok\n"},
    {"a character reference keeps its LF in a value", "<a x=\"&#10;&#9;&lt;\"/>",
     "start a\nattr x=\\n\\t<\nend\nok\n"},
    {"nested elements", "<a><b><c/></b><d></d></a>",
     "start a\nstart b\nstart c\nend\nend\nstart d\nend\nend\nok\n"},
    {"name characters", "<a.b-c_d:e1 f.g-h_i:j2='v'/>",
     "start a.b-c_d:e1\nattr f.g-h_i:j2=v\nend\nok\n"},
    {"bytes above 127 are name characters", "<\xC3\xA9 \xE2\x82\xAC='1'/>",
     "start \xC3\xA9\nattr \xE2\x82\xAC=1\nend\nok\n"},
    {"a digit cannot start an element name", "<1a/>", "error -1 line 1 column 2 offset 2\n"},
    {"a dash cannot start an attribute name", "<a -b='1'/>",
     "start a\nerror -1 line 1 column 4 offset 4\n"},
    {"space after < is not allowed", "< a/>", "error -1 line 1 column 2 offset 2\n"},

    // End tags
    {"end tag of another element", "<a></b>", "start a\nerror -3 line 1 column 6 offset 6\n"},
    {"end tag that is a prefix of the element's name", "<ab></a>",
     "start ab\nerror -3 line 1 column 8 offset 8\n"},
    {"end tag longer than the element's name", "<ab></abc>",
     "start ab\nerror -3 line 1 column 9 offset 9\n"},
    {"end tag followed by a space", "<a></a >", "start a\nend\nok\n"},
    {"end tag with a space before its name", "<a></ a>",
     "start a\nerror -1 line 1 column 6 offset 6\n"},
    {"end tag with an attribute", "<a></a x='1'>",
     "start a\nend\nerror -1 line 1 column 8 offset 8\n"},
    {"end tag closes the inner element only", "<a><b></a></b>",
     "start a\nstart b\nerror -3 line 1 column 9 offset 9\n"},

    // Content and references
    {"text with a reference", "<a>x &amp; y</a>", "start a\ntext x & y\nend\nok\n"},
    {"the five predefined entities", "<a>&lt;&gt;&amp;&apos;&quot;</a>",
     "start a\ntext <>&'\"\nend\nok\n"},
    {"decimal and hexadecimal references", "<a>&#65;&#x42;&#x4a;&#x4A;&#000067;</a>",
     "start a\ntext ABJJC\nend\nok\n"},
    {"two-byte UTF-8", "<a>&#233;</a>", "start a\ntext \xC3\xA9\nend\nok\n"},
    {"three-byte UTF-8", "<a>&#x20AC;&#xFFFD;</a>",
     "start a\ntext \xE2\x82\xAC\xEF\xBF\xBD\nend\nok\n"},
    {"four-byte UTF-8", "<a>&#x1F600;&#999999;</a>",
     "start a\ntext \xF0\x9F\x98\x80\xF3\xB4\x88\xBF\nend\nok\n"},
    {"largest hexadecimal reference that fits: five digits", "<a>&#xFFFFF;</a>",
     "start a\ntext \xF3\xBF\xBF\xBF\nend\nok\n"},
    {"a reference name longer than 7 bytes fails at its 8th byte", "<a>&#x100000;</a>",
     "start a\nerror -4 line 1 column 12 offset 12\n"},
    {"a long entity name fails at its 8th byte", "<a>&abcdefgh;</a>",
     "start a\nerror -4 line 1 column 12 offset 12\n"},
    {"surrogate", "<a>&#xD800;</a>", "start a\nerror -4 line 1 column 11 offset 11\n"},
    {"last surrogate", "<a>&#57343;</a>", "start a\nerror -4 line 1 column 11 offset 11\n"},
    {"character zero", "<a>&#0;</a>", "start a\nerror -4 line 1 column 7 offset 7\n"},
    {"U+FFFE", "<a>&#xFFFE;</a>", "start a\nerror -4 line 1 column 11 offset 11\n"},
    {"U+FFFF", "<a>&#65535;</a>", "start a\nerror -4 line 1 column 11 offset 11\n"},
    {"undeclared entity", "<a>&nbsp;</a>", "start a\nerror -4 line 1 column 9 offset 9\n"},
    {"upper-case X", "<a>&#X41;</a>", "start a\nerror -4 line 1 column 9 offset 9\n"},
    {"entity names are case-sensitive", "<a>&AMP;</a>",
     "start a\nerror -4 line 1 column 8 offset 8\n"},
    {"empty reference", "<a>&;</a>", "start a\nerror -4 line 1 column 5 offset 5\n"},
    {"reference without digits", "<a>&#;</a>", "start a\nerror -4 line 1 column 6 offset 6\n"},
    {"hexadecimal reference without digits", "<a>&#x;</a>",
     "start a\nerror -4 line 1 column 7 offset 7\n"},
    {"letters in a decimal reference", "<a>&#12a;</a>",
     "start a\nerror -4 line 1 column 9 offset 9\n"},
    {"reference without ;", "<a>&amp </a>", "start a\nerror -1 line 1 column 8 offset 8\n"},
    {"reference in an attribute ends with ;", "<a x='&amp'/>",
     "start a\nerror -1 line 1 column 11 offset 11\n"},
    {"text before a child and after it", "<a>x<b/>y</a>",
     "start a\ntext x\nstart b\nend\ntext y\nend\nok\n"},
    {"CR LF in text is one LF", "<a>x\r\ny</a>", "start a\ntext x\\ny\nend\nok\n"},
    {"a lone CR is one LF", "<a>x\ry\r\r\nz</a>", "start a\ntext x\\ny\\n\\nz\nend\nok\n"},
    {"tab in text", "<a>\t</a>", "start a\ntext \\t\nend\nok\n"},
    {"backslash in text", "<a>\\</a>", "start a\ntext \\\\\nend\nok\n"},
    {"]]> in text is taken as text", "<a>]]></a>", "start a\ntext ]]>\nend\nok\n"},
    {"a zero byte is an error and not counted", std::string("<a>\0</a>", 8),
     "start a\nerror -1 line 1 column 3 offset 3\n"},

    // Comments, CDATA, processing instructions
    {"comments join the text around them", "<a>x<!-- c -->y</a>", "start a\ntext xy\nend\nok\n"},
    {"-- inside a comment", "<!-- a -- b --><a/>", "error -1 line 1 column 10 offset 10\n"},
    {"comment ending in --->", "<a><!-- x ---></a>",
     "start a\nerror -1 line 1 column 13 offset 13\n"},
    {"empty comment", "<!----><a/>", "start a\nend\nok\n"},
    {"<! must be a comment in content", "<a><!x></a>",
     "start a\nerror -1 line 1 column 6 offset 6\n"},
    {"CDATA section", "<a><![CDATA[<b>&amp;]]></a>", "start a\ntext <b>&amp;\nend\nok\n"},
    {"CDATA with ] before its end", "<a><![CDATA[x]]]></a>", "start a\ntext x]\nend\nok\n"},
    {"CDATA with ] and ]] that do not end it", "<a><![CDATA[]x]]y]]]]z]]></a>",
     "start a\ntext ]x]]y]]]]z\nend\nok\n"},
    {"CDATA keyword is case-sensitive", "<a><![cdata[x]]></a>",
     "start a\nerror -1 line 1 column 7 offset 7\n"},
    {"CDATA outside the root element", "<![CDATA[x]]><a/>", "error -1 line 1 column 3 offset 3\n"},
    {"instruction in content",
     "<a><?p x?"
     "?></a>",
     "start a\npi p x?\nend\nok\n"},
    {"instruction with a target only", "<a><?p?></a>", "start a\npi p \nend\nok\n"},
    {"instruction keeps whitespace after the first", "<a><?p  x ?></a>",
     "start a\npi p  x \nend\nok\n"},
    {"instructions before and after the root", "<?p a?><a/><?q b?>",
     "pi p a\nstart a\nend\npi q b\nok\n"},
    {"instruction target xml in content", "<a><?xml x?></a>",
     "start a\nerror -1 line 1 column 9 offset 9\n"},
    {"instruction target XmL in content", "<a><?XmL?></a>",
     "start a\nerror -1 line 1 column 9 offset 9\n"},
    {"instruction target that starts with xml", "<a><?xml-x?></a>",
     "start a\npi xml-x \nend\nok\n"},
    {"instruction target must be a name", "<a><? x?></a>",
     "start a\nerror -1 line 1 column 6 offset 6\n"},
    {"stylesheet instruction at the start", "<?xml-stylesheet href=\"s\"?><a/>",
     "pi xml-stylesheet href=\"s\"\nstart a\nend\nok\n"},
    {"instruction content with a line break", "<?p a\r\nb?><a/>", "pi p a\\nb\nstart a\nend\nok\n"},

    // Start of the document and the declaration
    {"byte-order mark", "\xEF\xBB\xBF<a/>", "start a\nend\nok\n"},
    {"broken byte-order mark", "\xEF\xBBX<a/>", "error -1 line 1 column 3 offset 3\n"},
    {"EF alone", "\xEFX<a/>", "error -1 line 1 column 2 offset 2\n"},
    {"full declaration", "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><a/>",
     "start a\nend\nok\n"},
    {"declaration with single quotes and spaces",
     "<?xml  version = '1.10'  encoding = 'ISO-8859_1.x'  standalone = 'no'  ?>\n<a/>",
     "start a\nend\nok\n"},
    {"declaration with standalone only", "<?xml version='1.0' standalone='no'?><a/>",
     "start a\nend\nok\n"},
    {"declaration after a byte-order mark and whitespace",
     "\xEF\xBB\xBF \n<?xml version='1.0'?><a/>", "start a\nend\nok\n"},
    {"version 2.0", "<?xml version=\"2.0\"?><a/>", "error -1 line 1 column 16 offset 16\n"},
    {"version without minor digits", "<?xml version=\"1.\"?><a/>",
     "error -1 line 1 column 18 offset 18\n"},
    {"declaration without version", "<?xml?><a/>", "error -1 line 1 column 6 offset 6\n"},
    {"declaration starting with encoding", "<?xml encoding='UTF-8'?><a/>",
     "error -1 line 1 column 7 offset 7\n"},
    {"upper-case declaration", "<?XML version=\"1.0\"?><a/>",
     "error -1 line 1 column 6 offset 6\n"},
    {"standalone before encoding", "<?xml version='1.0' standalone='yes' encoding='UTF-8'?><a/>",
     "error -1 line 1 column 38 offset 38\n"},
    {"no space before encoding", "<?xml version='1.0'encoding='UTF-8'?><a/>",
     "error -1 line 1 column 20 offset 20\n"},
    {"encoding must start with a letter", "<?xml version='1.0' encoding='8bit'?><a/>",
     "error -1 line 1 column 31 offset 31\n"},
    {"encoding with mismatched quotes", "<?xml version='1.0' encoding='UTF-8\"?><a/>",
     "error -1 line 1 column 36 offset 36\n"},
    {"standalone maybe", "<?xml version='1.0' standalone='maybe'?><a/>",
     "error -1 line 1 column 33 offset 33\n"},
    {"declaration after a comment", "<!-- c --><?xml version='1.0'?><a/>",
     "error -1 line 1 column 16 offset 16\n"},
    {"second declaration", "<?xml version='1.0'?><?xml version='1.0'?><a/>",
     "error -1 line 1 column 27 offset 27\n"},
    {"text before the root", "x<a/>", "error -1 line 1 column 1 offset 1\n"},

    // Document type declarations
    {"DOCTYPE with an internal subset", "<!DOCTYPE a [ <!ELEMENT a (#PCDATA)> <!-- c --> ]><a/>",
     "start a\nend\nok\n"},
    {"DOCTYPE with quoted > and markup",
     "<!DOCTYPE a SYSTEM \"x>y\" [<!ENTITY e 'a>b\"'><!ATTLIST a b CDATA \">\">]>\n<a/>",
     "start a\nend\nok\n"},
    {"instruction inside DOCTYPE is reported", "<!DOCTYPE a [<?p x?>]><a/>",
     "pi p x\nstart a\nend\nok\n"},
    {"DOCTYPE keyword is case-sensitive", "<!DOCTYPx a><a/>",
     "error -1 line 1 column 9 offset 9\n"},
    {"DOCTYPE after the root", "<a/><!DOCTYPE a>",
     "start a\nend\nerror -1 line 1 column 7 offset 7\n"},
    {"entity declared in the DOCTYPE is still unknown", "<!DOCTYPE a [<!ENTITY e 'x'>]><a>&e;</a>",
     "start a\nerror -4 line 1 column 36 offset 36\n"},

    // After the root element
    {"second root element", "<a/><b/>", "start a\nend\nerror -1 line 1 column 6 offset 6\n"},
    {"text after the root", "<a/>x", "start a\nend\nerror -1 line 1 column 5 offset 5\n"},
    {"whitespace and a comment after the root", "<a/>  <!-- c -->  \r\n", "start a\nend\nok\n"},
    {"CDATA after the root", "<a/><![CDATA[x]]>",
     "start a\nend\nerror -1 line 1 column 7 offset 7\n"},

    // Incomplete documents
    {"empty document", "", "error -5 line 1 column 0 offset 0\n"},
    {"whitespace only", " \n", "error -5 line 2 column 1 offset 2\n"},
    {"root element not closed", "<a>", "start a\nerror -5 line 1 column 3 offset 3\n"},
    {"text pending when the input ends", "<a>xy",
     "start a\ntext xy\nerror -5 line 1 column 5 offset 5\n"},
    {"inside a comment before the root", "<!-- c", "error -5 line 1 column 6 offset 6\n"},
};

class XmlEventsTable : public ::testing::TestWithParam<EventCase> {};

TEST_P(XmlEventsTable, ListingMatches)
{
    const EventCase &c = GetParam();
    std::string listing;
    bool ok = xml_event_lines(c.document.data(), c.document.size(), listing);
    EXPECT_EQ(listing, c.events) << c.what;
    EXPECT_EQ(ok, listing.size() >= 3 && listing.compare(listing.size() - 3, 3, "ok\n") == 0)
        << c.what;
}

INSTANTIATE_TEST_SUITE_P(Documents, XmlEventsTable, ::testing::ValuesIn(cases));

} // namespace
