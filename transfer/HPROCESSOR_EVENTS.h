// HPROCESSOR_EVENTS: where the command processor hands what a reader sends on its own —
// decoded barcode data, pictures, HTag commands and tagged data blocks — and where it asks
// for the data that answer a reader's request. Qt-free: the desktop program, kestrel-cli and
// the tests each install their own.
#pragma once

#include "transfer/HSTRING.h"

class HTAG;
struct HIMAGE;

class HPROCESSOR_EVENTS {
public:
    virtual ~HPROCESSOR_EVENTS() = default;

    // Decoded data in the processor's printable form, in arrival order.
    virtual void DecodedData(const HSTRING& /*text*/) { }
    // A picture arrived: code 1 and "Image successfully received", or a failure code and
    // text; `image` holds whatever arrived either way.
    virtual void PictureReceived(int /*code*/, const HSTRING& /*text*/, const HIMAGE& /*image*/) { }
    // An HTag command from the reader (status messages, trigger and activity events, decode
    // results, answered requests) with its receive code and result text. Broken packets come
    // here too, with an empty name when none was read.
    virtual void HTagReceived(const HTAG& /*command*/, int /*code*/, const HSTRING& /*text*/) { }
    // A structured-message envelope or a tagged data block: its prefix and what followed it.
    virtual void TaggedData(const HSTRING& /*prefix*/, const HSTRING& /*block*/) { }
    // Fills in the answer to a request (FILRET -> FILSTO data, GETSYS -> SYSINF, MNUCMD ->
    // MNURSP ...). False: the program has nothing to send and the request goes unanswered.
    virtual bool ProvideAnswer(const HTAG& /*request*/, HTAG& /*answer*/) { return false; }
};
