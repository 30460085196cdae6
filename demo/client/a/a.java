package a;

import java.awt.Font;
import java.awt.event.WindowAdapter;
import java.awt.event.WindowEvent;
import java.io.IOException;
import java.io.UncheckedIOException;
import java.lang.management.ManagementFactory;
import java.net.URLDecoder;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.StandardCopyOption;
import java.util.Comparator;
import java.util.TreeSet;
import java.util.stream.Stream;
import javax.swing.JFrame;
import javax.swing.JScrollPane;
import javax.swing.JTextArea;
import javax.swing.SwingUtilities;
import javax.swing.Timer;

/**
 * Demo client: shows what the launcher handed it, one "name=value" line each: the launch.*
 * properties, the three folders decoded from them, the program arguments, the class path, the jar
 * this class came from and the JVM's options.
 *
 * <p>System properties: democlient.report=FILE writes the lines to FILE and ends, without a
 * window; democlient.shown=FILE writes them, with the time the window opened, once it is on the
 * screen; democlient.lifetime=SECONDS closes the window that long after it opened; democlient.update=JAR
 * prepares lib_new (a complete copy of lib whose jar is renamed JAR) for the next start, unless
 * this class already runs from JAR; democlient.preload=N loads, links and runs the generated
 * classes g.C0000 to g.C(N-1) before the window opens, as a large client would. The lifetime may
 * be a fraction.
 */
public final class a {
    private static final String[] FOLDERS = {"appDir", "installDir", "dataDir"};

    public static void main(String[] args) throws Exception {
        final String preload = System.getProperty("democlient.preload");
        if (preload != null) preloadGeneratedClasses(Integer.parseInt(preload));
        final String report = describe(args);
        final String update = System.getProperty("democlient.update");
        if (update != null && args.length > 0) prepareLibraryUpdate(Paths.get(args[0]), update);
        final String reportFile = System.getProperty("democlient.report");
        if (reportFile != null) {
            write(Paths.get(reportFile), report);
            System.exit(0);
        }
        SwingUtilities.invokeLater(() -> showWindow(report));
    }

    // Each generated class is an IntUnaryOperator with a public constructor.
    private static void preloadGeneratedClasses(int count) throws Exception {
        int sum = 0;
        for (int i = 0; i < count; ++i) {
            final Class<?> type = Class.forName(String.format("g.C%04d", i));
            sum += ((java.util.function.IntUnaryOperator) type.getConstructor().newInstance()).applyAsInt(i);
        }
        System.setProperty("democlient.preloaded", Integer.toString(sum));
    }

    private static Path ownJar() throws Exception {
        return Paths.get(a.class.getProtectionDomain().getCodeSource().getLocation().toURI());
    }

    private static String describe(String[] args) throws Exception {
        final StringBuilder text = new StringBuilder();
        for (String name : new TreeSet<>(System.getProperties().stringPropertyNames())) {
            if (name.startsWith("launch.")) line(text, "property " + name, System.getProperty(name));
        }
        // The folders come percent-encoded (UTF-8 bytes), so that any character survives the trip.
        for (String folder : FOLDERS) {
            final String value = System.getProperty("launch." + folder);
            if (value != null) line(text, "decoded " + folder, URLDecoder.decode(value, StandardCharsets.UTF_8));
        }
        line(text, "arguments", Integer.toString(args.length));
        for (int i = 0; i < args.length; ++i) line(text, "argument " + (i + 1), args[i]);
        line(text, "class path", System.getProperty("java.class.path"));
        line(text, "loaded from", ownJar().toString());
        for (String option : ManagementFactory.getRuntimeMXBean().getInputArguments()) line(text, "jvm option", option);
        return text.toString();
    }

    private static void line(StringBuilder text, String name, String value) {
        text.append(name).append('=').append(value).append('\n');
    }

    // Written beside the target and renamed, so that a reader never sees half a file.
    private static void write(Path file, String text) throws IOException {
        final Path part = file.resolveSibling(file.getFileName() + ".part");
        Files.write(part, text.getBytes(StandardCharsets.UTF_8));
        Files.move(part, file, StandardCopyOption.REPLACE_EXISTING, StandardCopyOption.ATOMIC_MOVE);
    }

    // The launcher swaps lib_new in only as a whole folder: build it under another name first.
    private static void prepareLibraryUpdate(Path appDir, String newJarName) throws Exception {
        final Path jar = ownJar();
        if (jar.getFileName().toString().equals(newJarName)) return;
        final Path lib = appDir.resolve("lib");
        final Path staging = appDir.resolve("lib_new.part");
        deleteTree(staging);
        try (Stream<Path> files = Files.walk(lib)) {
            files.forEach(source -> {
                final Path relative = lib.relativize(source);
                try {
                    // The class path names the jar by its real path, the argument by Wine's drive link.
                    final Path target = Files.isSameFile(source, jar)
                            ? staging.resolve(relative.toString()).resolveSibling(newJarName)
                            : staging.resolve(relative.toString());
                    if (Files.isDirectory(source)) Files.createDirectories(target);
                    else Files.copy(source, target);
                } catch (IOException e) {
                    throw new UncheckedIOException(e);
                }
            });
        }
        Files.move(staging, appDir.resolve("lib_new"), StandardCopyOption.ATOMIC_MOVE);
    }

    private static void deleteTree(Path root) throws IOException {
        if (!Files.exists(root)) return;
        try (Stream<Path> paths = Files.walk(root)) {
            for (Path path : (Iterable<Path>) paths.sorted(Comparator.reverseOrder())::iterator) Files.delete(path);
        }
    }

    private static void showWindow(String report) {
        final JFrame frame = new JFrame("Tavrel Bank brivane - Java client");
        final JTextArea text = new JTextArea("The Java client has started. It received:\n\n" + report);
        text.setEditable(false);
        text.setFont(new Font(Font.MONOSPACED, Font.PLAIN, 12));
        frame.add(new JScrollPane(text));
        frame.setDefaultCloseOperation(JFrame.EXIT_ON_CLOSE);
        // Top left, clear of the launcher's splash in the middle of the screen.
        frame.setBounds(40, 40, 700, 440);
        final String shownFile = System.getProperty("democlient.shown");
        final String lifetime = System.getProperty("democlient.lifetime");
        frame.addWindowListener(new WindowAdapter() {
            @Override
            public void windowOpened(WindowEvent event) {
                // Counted from the window's opening, so that a slow start never cuts it short.
                if (lifetime != null) {
                    new Timer((int) (Double.parseDouble(lifetime) * 1000), tick -> System.exit(0)).start();
                }
                if (shownFile == null) return;
                try {
                    write(Paths.get(shownFile), report + "window shown=" + System.currentTimeMillis() + "\n");
                } catch (IOException e) {
                    e.printStackTrace();
                }
            }
        });
        frame.setVisible(true);
    }
}
