// Fuzz target: the document reader (tools/document.cpp). Byte 0 picks the
// format (bit 0: .odt, else .docx) and what the rest is (bit 1): the whole
// file, or the XML of the main part, zipped here (a mutated archive almost
// never gets past its checksums to the XML). Whatever the bytes, the
// reader must answer with a document or a message, within its limits, and
// every offset of a document's text must have a place with numbers from 1.
#include <cstdint>
#include <string_view>
#include <variant>

#include "document.h"
#include "document_fixtures.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size == 0)
        return 0;
    const doc::Format format = (data[0] & 1) != 0 ? doc::Format::odt : doc::Format::docx;
    std::string bytes(reinterpret_cast<const char *>(data) + 1, size - 1);
    if ((data[0] & 2) != 0)
        bytes = fixtures::zip(
            {{format == doc::Format::odt ? "content.xml" : "word/document.xml", bytes}});
    const auto read = doc::read_document(bytes, format);
    if (const auto *error = std::get_if<doc::Error>(&read)) {
        FUZZ_CHECK(!error->message.empty(), "a refusal without a message");
        return 0;
    }
    const doc::Document &d = std::get<doc::Document>(read);
    FUZZ_CHECK(d.text().size() <= doc::kMaxXmlBytes, "text of %zu bytes", d.text().size());
    // Places of a few offsets spread over the text, its end included.
    const std::size_t n = d.text().size();
    for (std::size_t k = 0; k <= 16; ++k) {
        const doc::Place p = d.place(static_cast<long long>(n * k / 16));
        FUZZ_CHECK(p.number >= 1 && p.column >= 1, "place %ld:%ld at offset %zu", p.number,
                   p.column, n * k / 16);
    }
    return 0;
}
