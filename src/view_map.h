// What the readers of running text share: where a byte of the text as read
// (the view of the text stage) stands in the original text, and its line
// and column there.
#ifndef TOVRIN_VIEW_MAP_H
#define TOVRIN_VIEW_MAP_H

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <cstddef>
#include <string_view>
#include <vector>

#include "internal.h"
#include "source_stage.h"
#include "text_stage.h"
#include "tovrin.h"

namespace tovrin::detail {

// The view's forms from a point on, and the offset in the original of
// increasing view offsets.
class ViewMap {
public:
    // Where the stage appends the forms of the view it hands out.
    std::vector<ViewForm> &forms() { return forms_; }

    // The offset in the original text of view offset `at`; `at` never
    // decreases from one call to the next.
    long long to_original(long long at) {
        while (next_ < forms_.size() && forms_[next_].at < at) {
            extra_ += static_cast<long long>(forms_[next_].length) - 1;
            ++next_;
        }
        asked_ = at + extra_;
        return asked_;
    }
    // What the last to_original() gave.
    long long to_original_asked() const { return asked_; }

    // Whether view offset `at` (not before the last asked) stands for no
    // byte of the original: a byte of a phrase's name after its first, or
    // a line end the stage put in. No citation begins there: its text
    // would begin in the middle of what was written.
    bool stands_for_nothing(long long at) const {
        for (std::size_t k = next_; k < forms_.size() && forms_[k].at <= at; ++k)
            if (forms_[k].at == at)
                return forms_[k].length == 0;
        return false;
    }

    // The end of the run of view offsets from `at` (to_original(at) asked
    // already) whose original bytes follow each other one for one: each
    // but the last stands for one original byte.
    long long linear_until(long long at) const {
        for (std::size_t k = next_; k < forms_.size(); ++k)
            if (forms_[k].at >= at)
                return forms_[k].at + 1;
        return at + (1LL << 40);
    }

    // Drops the forms already passed.
    void forget() {
        forms_.erase(forms_.begin(), forms_.begin() + static_cast<std::ptrdiff_t>(next_));
        next_ = 0;
    }

private:
    std::vector<ViewForm> forms_;
    std::size_t next_ = 0;  // the first form not yet passed
    long long extra_ = 0;   // original bytes the passed forms add
    long long asked_ = 0;   // the last offset to_original() gave
};

// Lines and columns up to increasing offsets of a text.
class Places {
public:
    Places() = default;
    Places(long line, long column) : line_(line), column_(column) {}
    // Moves on over `bytes`, the text from the current place on.
    void pass(std::string_view bytes) {
        // Most calls pass one byte, or none (lint places every byte).
        if (bytes.size() <= 1) {
            if (bytes.empty())
                return;
            if (bytes[0] == '\n')
                ++line_, column_ = 1;
            else
                column_ += (static_cast<unsigned char>(bytes[0]) & 0xC0) != 0x80;
            return;
        }
        const std::size_t last_break = bytes.rfind('\n');
        if (last_break == std::string_view::npos) {
            column_ += characters(bytes);
            return;
        }
        line_ += static_cast<long>(std::count(bytes.begin(), bytes.end(), '\n'));
        column_ = 1 + characters(bytes.substr(last_break + 1));
    }
    long line() const { return line_; }
    long column() const { return column_; }

private:
    // A character begins at every byte that continues no UTF-8 sequence.
    static long characters(std::string_view bytes) {
        long n = 0;
        for (const char c : bytes)
            n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        return n;
    }
    long line_ = 1, column_ = 1;
};


// The text stage and the block scanner over a text fed in blocks: the view
// (the text as read) and the citations found in it, with the original text
// and the view kept from the points their owner has not yet used.
class ViewScan {
public:
    // The reading `o` (without a stage for the exact reading, or with
    // neither forms nor phrases) of a text written in `source` (read as
    // text by the exact reading), with the block scanner's `flags`.
    ViewScan(LANG *l, const tovrin_options &o, unsigned flags, Source source = Source::text)
        : rules_(o.exact ? nullptr : reading_rules(l, o.sigla)),
          scanner_(scanner_with_rules(l, flags, rules_.get()), tovrin_scanner_free),
          source_kind_(o.exact ? Source::text : source) {
        if (scanner_ == nullptr)
            throw std::bad_alloc();
        if (source_kind_ != Source::text)
            source_ = std::make_unique<SourceStage>(source_kind_);
        if (!o.exact && (o.forms || o.phrases)) {
            StageOptions s;
            s.forms = o.forms != 0;
            s.phrases = o.phrases != 0 ? phrases_of(l) : nullptr;
            stage_ = std::make_unique<TextStage>(l, s);
        }
    }

    // Reads the next block (`last`: the end of the text, `block` empty);
    // the citations decided go to spans(). Returns the view offset up to
    // which the view is decided.
    long long feed(std::string_view block, bool last) {
        block_ = block;
        const std::size_t before = view_.size();
        std::string_view read = block;
        if (source_) {
            // The source's view is what the text stage reads, when there
            // is one; its map then lies under the stage's.
            source_view_.clear();
            source_->feed(block, last, stage_ ? source_view_ : view_,
                          stage_ ? source_map_.forms() : map_.forms());
            read = source_view_;
        }
        if (stage_)
            stage_->feed(read, last, view_, map_.forms());
        else if (!source_)
            view_.append(block);
        tovrin_scanner_feed(scanner_.get(), view_.data() + before, view_.size() - before, collect,
                            &spans_);
        if (last)
            tovrin_scanner_finish(scanner_.get(), collect, &spans_);
        // A citation that begins inside a phrase's name (a later word of
        // the name that names another book, where the name's citation
        // failed) would begin in the middle of what was written: it stays
        // text.
        std::erase_if(spans_,
                      [&](const tovrin_span &s) { return map_.stands_for_nothing(s.offset); });
        return last ? view_base_ + static_cast<long long>(view_.size())
                    : tovrin_scanner_decided(scanner_.get());
    }

    std::vector<tovrin_span> &spans() { return spans_; }
    // The lectionary forms of the view not yet dropped, in view order
    // (none without the text stage).
    std::vector<ViewNote> &notes() { return stage_ ? stage_->notes() : no_notes_; }
    // The rules of the default reading, or null for the exact one.
    const ReadingRules *rules() const { return rules_.get(); }

    // The offset in the original text of view offset `at` (never less than
    // the last one asked for).
    long long to_original(long long at) {
        const long long mapped = map_.to_original(at);
        return layered() ? source_map_.to_original(mapped) : mapped;
    }
    long long linear_until(long long at) const {
        const long long end = map_.linear_until(at);
        if (!layered())
            return end;
        const long long under = map_.to_original_asked();
        return std::min(end, at + (source_map_.linear_until(under) - under));
    }
    // What the text is written in (text for the exact reading).
    Source source() const { return source_kind_; }

    std::string_view view(long long from, long long length) const {
        return std::string_view(view_).substr(static_cast<std::size_t>(from - view_base_),
                                              static_cast<std::size_t>(length));
    }
    // The original text from `from` to `to`: what is kept of earlier
    // blocks, then what is in the block being fed (either may be empty).
    struct Original {
        std::string_view kept, fed;
        std::string joined() const { return std::string(kept) + std::string(fed); }
    };
    Original original(long long from, long long to) const {
        const long long split = kept_base_ + static_cast<long long>(kept_.size());
        const auto piece = [](std::string_view text, long long base, long long a, long long b) {
            a = std::max(a, base);
            b = std::min(b, base + static_cast<long long>(text.size()));
            return a >= b ? std::string_view()
                          : text.substr(static_cast<std::size_t>(a - base),
                                        static_cast<std::size_t>(b - a));
        };
        return {piece(kept_, kept_base_, from, to), piece(block_, split, from, to)};
    }

    // Forgets the view before `view_at` and the original before
    // `original_at`; keeps the rest of the block being fed, which its
    // caller may release.
    void forget(long long view_at, long long original_at) {
        view_.erase(0, static_cast<std::size_t>(view_at - view_base_));
        view_base_ = view_at;
        const long long split = kept_base_ + static_cast<long long>(kept_.size());
        if (original_at <= split) {
            kept_.erase(0, static_cast<std::size_t>(original_at - kept_base_));
            kept_.append(block_);
        } else {
            kept_.assign(block_.substr(static_cast<std::size_t>(original_at - split)));
        }
        kept_base_ = original_at;
        block_ = {};
        map_.forget();
        source_map_.forget();
    }

private:
    static void collect(const tovrin_span *span, void *spans) {
        static_cast<std::vector<tovrin_span> *>(spans)->push_back(*span);
    }

    std::vector<ViewNote> no_notes_;
    std::shared_ptr<const ReadingRules> rules_; // the default reading's, or null
    std::unique_ptr<tovrin_scanner, void (*)(tovrin_scanner *)> scanner_;
    // Whether the source stage's map lies under the text stage's.
    bool layered() const { return source_ && stage_; }

    Source source_kind_;
    std::unique_ptr<SourceStage> source_;
    std::string source_view_; // of the block being fed
    ViewMap source_map_;
    std::unique_ptr<TextStage> stage_;
    std::vector<tovrin_span> spans_;
    std::string view_; // from view_base_ on
    long long view_base_ = 0;
    ViewMap map_;
    // The original text from kept_base_ on: what is kept of earlier blocks,
    // then the block being fed, read where it lies.
    std::string kept_;
    long long kept_base_ = 0;
    std::string_view block_;
};

} // namespace tovrin::detail

#endif
