<%@ Language="JScript" %>
<%
  // Sends a request that came over plain HTTP to the same page over HTTPS.
  var host = Request.ServerVariables("SERVER_NAME");
  var url = Request.ServerVariables("URL");
  Response.Redirect("https://" + host + url);
%>
