<%@ Language="JScript" %>
<%
  // Start page of the print portal: greets the user and lists the queues.
  var user = Request.ServerVariables("AUTH_USER");
  /* The queue list comes from the server's own status page. */
  var queues = Application("Queues");
%>
<html>
<head>
  <title>Tarnova print portal</title>
  <link rel="stylesheet" href="portal.css">
</head>
<body>
  <h1>Welcome, <%= user %></h1>
  <p>Your print jobs wait in <%= queues.length %> queues.</p>
  <a href="status.asp">Show the status of the server</a>
</body>
</html>
<!-- Signature={F5D433C2-870C9079-1FCD0FC8-1C60007E-0DD57558-13145B19} -->
