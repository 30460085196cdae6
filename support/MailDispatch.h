#pragma once

// One plain-text e-mail through Simple MAPI and the user's own mail program. The library is
// loaded at run time from the system folder only and stays loaded until the process ends.

// Loads MAPI32.dll and resolves MAPISendMail into the process-wide state. Throws IOException.
void loadMapi();
// Hands one message to MAPISendMail (compose window shown). Returns false when the mail program
// did not take it (no mail program, logon failed, user cancelled); throws IOException only when
// MAPI cannot be loaded or a text cannot be converted, before anything is shown.
bool sendMail(const wchar_t* recipientName, const wchar_t* recipientAddress,
              const wchar_t* subject, const wchar_t* body);
// Mails to the support mailbox; when that fails, offers (German only) to save the message to a
// file. Throws the IOExceptions of sendMail and of writing the file.
void mailOrSave(const wchar_t* subject, const wchar_t* body);
// Mails to the given recipient; when that fails, shows a German warning. Throws the
// IOExceptions of sendMail.
void mailOrWarn(const wchar_t* recipientName, const wchar_t* recipientAddress,
                const wchar_t* subject, const wchar_t* body);
