<%@ Language="JScript" %>
<%
  // Status of the server: version and the number of waiting jobs.
  var version = Application("Version");
  var waiting = Application("WaitingJobs"); // refreshed every minute
%>
<html>
<head><title>Server status</title></head>
<body>
  <p>Server version <%= version %></p>
  <p>Jobs waiting: <%= waiting %></p>
</body>
</html>
<!-- Signature={E3810352-C49DA59D-4E799785-5DF5B1B6-D5CC2070-CF958BCC} -->
