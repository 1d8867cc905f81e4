// Mozilla User Preferences

user_pref("mail.server.server1.hostname", "Local Folders");
user_pref("mail.server.server1.type", "none");
user_pref("mail.server.server2.hostname", "imap.example.jp");
user_pref("mail.server.server2.name", "仕事");
user_pref("mail.server.server2.port", 993);
user_pref("mail.server.server2.socketType", 3);
user_pref("mail.server.server2.type", "imap");
user_pref("mail.server.server2.userName", "hanako");
