package tarvo;

import java.util.Arrays;

/** The exchange formats of other tools (XMLBIF, MSBN, Ergo) through readFile and writeFile. */
public class NetworkExchangeFormatsTest {
    private static String message(Check.Body body) {
        return Check.raises(TARVOException.class, body).getMessage();
    }

    private static void roundTrip(String suffix) {
        Network rain = Fixtures.read(Fixtures.RAIN);
        Network copy = new Network();
        try {
            String path = Fixtures.tempPath(suffix);
            rain.writeFile(path);
            copy.readFile(path);
            for (String id : rain.getAllNodeIds()) {
                Check.equal(Arrays.asList(rain.getOutcomeIds(id)), Arrays.asList(copy.getOutcomeIds(id)));
                Check.equal(Arrays.asList(rain.getParentIds(id)), Arrays.asList(copy.getParentIds(id)));
            }
            copy.setEvidence("WetGrass", "yes");
            copy.updateBeliefs();
            Fixtures.near(0.18 / 0.42, copy.getNodeValue("Rain")[0], "P(Rain=yes | WetGrass=yes) " + suffix);
        } finally {
            rain.dispose();
            copy.dispose();
        }
    }

    public void testXmlBifRoundTrip() {
        roundTrip(".xml03");
    }

    public void testMsbnRoundTrip() {
        roundTrip(".dsc");
    }

    public void testErgoRoundTrip() {
        roundTrip(".erg");
    }

    public void testAFileWithoutItsHeadIsRefusedWithItsMessage() {
        Network net = Fixtures.read(Fixtures.RAIN);
        try {
            String ergo = Fixtures.writeTemp(".erg", "garbage");
            Check.equal("TARVO error -127 in function ReadFile. Logged information: " + Fixtures.atLine(1, ergo)
                    + "ERROR: 'garbage' : Integer expected\n", message(() -> net.readFile(ergo)));
            String msbn = Fixtures.writeTemp(".dsc", "garbage");
            Check.equal("TARVO error -127 in function ReadFile. Logged information: " + Fixtures.atLine(1, msbn)
                    + "ERROR: 'garbage' : 'belief network' expected\n", message(() -> net.readFile(msbn)));
            Check.equal(Arrays.asList("Rain", "WetGrass"), Arrays.asList(net.getAllNodeIds()));
        } finally {
            net.dispose();
        }
    }
}
