// Print queue helpers.
function add(a, b) {
    return a + b; /* sum */
}
/*Signature={71F47E2A-C4BBAE62-4408D8BF-0251F7D7-A058EC95-9A57A01C}*/
