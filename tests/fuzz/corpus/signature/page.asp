<% var a = 1; // one
   /* block
   */ a = 2; %> <b>x</b>
<% a */ b /* c */ d %>
<!-- Signature={00112233-44556677-8899AABB} -->
