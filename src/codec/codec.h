// The codec toolkit: what every record family is built from.
//
//   View       a bounded view of one record image [image, image + REC_LEN + 4):
//              typed reads that convert by CPU type, counted strings, Bn, Dn and
//              arrays that never reach past the end of the record.
//   Status     the field status words: only the present and valid bits change.
//   Encoder    the output cursor of _to_memory: nothing is written at or past
//              REC_LEN + 4.
//   Tail       the trailing-omission walk of _size.
//   StringCopy the string-buffer copy of _buf.
//   read_record / write_record / buf_read
//              the common steps of every reader and writer.
//   Layout     a record's fields as one table (layout.h), from which layout_codec.h
//              derives decoder, size, encoder and copy.
#pragma once

#include "codec/encoder.h"
#include "codec/record_io.h"
#include "codec/status.h"
#include "codec/string_copy.h"
#include "codec/view.h"
