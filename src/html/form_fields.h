// The input fields of the post forms, one builder per field, in two families.
//
// Form rows belong to the built-in forms (new post, reply, article list). Each
// writes one complete row to req.out, or nothing when its field is off: a
// table row "<TR><TD>label</TD><TD>control</TD></TR>", or on mobile pages the
// plain "label<BR>control<BR>". Mobile pages need no separate size settings:
// the loader has already put the I-prefixed sizes in their place.
//
// Template fields are the bare controls for the form tags of message
// templates. The text fields, the control password and the buttons return
// their text; the address, age and sex fields write several lines to req.out,
// so the caller must first write out the part of its line rendered so far.
//
// Fields remember the visitor's last entries from cookies. Every value put
// into a VALUE attribute is HTML-escaped; the choices of the select and radio
// fields are the program's own texts and are compared with the cookie value
// byte for byte.
#ifndef KIROQ_HTML_FORM_FIELDS_H_
#define KIROQ_HTML_FORM_FIELDS_H_

#include <string_view>

#include "cgi/html.h"

namespace kiroq {

struct Request;

// Form rows.

// NAME, pre-filled by USEDEFAULT and USECOOKIE (USEDEFAULT other than 0 to 3
// writes no row); on members-only boards the MEMID and MEMPASS rows instead.
void WriteNameRows(Request& req);
// EMAIL (USEMAIL, never on members-only boards).
void WriteEmailRow(Request& req);
// TITLE on the new-post and article list forms: value is filled in only when
// USEDEFAULT is other than 0, 2 and 3.
void WritePostTitleRow(Request& req, std::string_view value);
// TITLE on the reply form: value is always filled in.
void WriteReplyTitleRow(Request& req, std::string_view value);
void WriteUrlRow(Request& req);       // URL (USEURL)
void WriteImageUrlRow(Request& req);  // IMAGEURL (USEIMAGEURL), never pre-filled
void WriteAddressRow(Request& req);   // ADDRESS1 select (USEADDRESS, Japanese boards only)
void WriteAgeRow(Request& req);       // AGE select (USEAGE "1" or "2")
void WriteSexRow(Request& req);       // SEX radio buttons (USESEX)
// PASSWORD2, only on READONLY boards, where posting takes the control
// password.
void WriteControlPasswordRow(Request& req);
// The empty message area, the submit and reset buttons and, when offer_cookie
// is set, USECOOKIE on and the page not mobile, the remember-me check box.
void WriteContentAndButtons(Request& req, bool offer_cookie);

// Template fields: "" when the field is off.

Html NameField(const Request& req);  // always the NAME cookie as value
Html EmailField(const Request& req);
Html TitleField(const Request& req, std::string_view value);
Html UrlField(const Request& req);
Html ImageUrlField(const Request& req);
Html ControlPasswordField(const Request& req);
// Submit and reset buttons and, with USECOOKIE on a page that is not mobile,
// the check box, joined without line breaks.
Html ButtonsField(const Request& req);
void WriteAddressField(Request& req);
void WriteAgeField(Request& req);
void WriteSexField(Request& req);

}  // namespace kiroq

#endif  // KIROQ_HTML_FORM_FIELDS_H_
